#include "CrashReport.h"

#include "Log.h"
#include "ZelException.h"

#include <cstring>
#include <ctime>

#include <execinfo.h>
#include <unistd.h>

namespace
{
long utc_offset = 0;
char support_contact[256] = "support";

// A text composed in place; what does not fit is left out.
class FixedText
{
public:
    FixedText& operator<<(const char* piece)
    {
        while (*piece != '\0' && size + 1 < sizeof(data))
            data[size++] = *piece++;
        data[size] = '\0';
        return *this;
    }

    FixedText& operator<<(long long number)
    {
        char digits[24];
        int count = 0;
        unsigned long long rest = number < 0 ? 0ULL - static_cast<unsigned long long>(number)
                                             : static_cast<unsigned long long>(number);
        do
        {
            digits[count++] = static_cast<char>('0' + rest % 10);
            rest /= 10;
        } while (rest != 0);
        if (number < 0)
            digits[count++] = '-';
        char ordered[24];
        for (int i = 0; i < count; ++i)
            ordered[i] = digits[count - 1 - i];
        ordered[count] = '\0';
        return *this << ordered;
    }

    // A number of two digits or more, with leading zeros.
    FixedText& padded(long long number, int width)
    {
        for (long long limit = 10; width > 1; --width, limit *= 10)
            if (number < limit)
                *this << "0";
        return *this << number;
    }

    char data[4096];
    std::size_t size = 0;
};

void write_all(int fd, const char* text, std::size_t size)
{
    while (size > 0)
    {
        const ssize_t written = ::write(fd, text, size);
        if (written <= 0)
            return;
        text += written;
        size -= static_cast<std::size_t>(written);
    }
}

// "%a %Y-%m-%d %H:%M:%S" in local time, by hand: localtime_r takes the time zone's lock.
void append_timestamp(FixedText& out)
{
    const long long local = static_cast<long long>(std::time(nullptr)) + utc_offset;
    long long days = local / 86400;
    long long seconds = local % 86400;
    if (seconds < 0)
    {
        seconds += 86400;
        --days;
    }
    static const char* const weekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    const char* weekday = weekdays[((days % 7) + 11) % 7]; // 1970-01-01 was a Thursday

    // Days to a civil date, after Howard Hinnant's algorithm.
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long day = doy - (153 * mp + 2) / 5 + 1;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);

    out << weekday << " " << year << "-";
    out.padded(month, 2) << "-";
    out.padded(day, 2) << " ";
    out.padded(seconds / 3600, 2) << ":";
    out.padded(seconds / 60 % 60, 2) << ":";
    out.padded(seconds % 60, 2);
}

__attribute__((noinline)) void write_frames(int fd)
{
    void* frames[64];
    const int count = ::backtrace(frames, 64);
    // The first two are this function and its caller in this file.
    if (count > 2)
        ::backtrace_symbols_fd(frames + 2, count - 2, fd);
}
} // namespace

void CrashReport::prepare() noexcept
{
    void* frame[1];
    ::backtrace(frame, 1);

    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) != nullptr)
        utc_offset = local.tm_gmtoff;
    try
    {
        const std::string contact = Zel::supportContact();
        std::strncpy(support_contact, contact.c_str(), sizeof(support_contact) - 1);
    }
    catch (...)
    {
    }
}

int CrashReport::descriptor() noexcept
{
    const int fd = log_descriptor_unlocked();
    return fd >= 0 ? fd : STDERR_FILENO;
}

void CrashReport::write_line(int fd, const char* text) noexcept
{
    FixedText line;
    append_timestamp(line);
    line << " " << text << "\n";
    write_all(fd, line.data, line.size);
}

void CrashReport::write_backtrace(int fd) noexcept
{
    write_line(fd, "backtrace:");
    write_frames(fd);
}

void CrashReport::write_description(int fd, const char* text, const char* function_name, const char* source,
                                    int line) noexcept
{
    FixedText description;
    description << "An error occurred.\n"
                << "Please try again, or contact " << support_contact << " for assistance.\n\n"
                << "The error type is:  Zel::Exception\n"
                << "The error text is:  " << text << "\n"
                << "Source file name:   " << source << ", #" << line << "\n"
                << "Function name:      " << function_name << "\n\n"
                << "The backtrace is:\n";

    FixedText stamp;
    append_timestamp(stamp);
    stamp << " ";
    write_all(fd, stamp.data, stamp.size);
    write_all(fd, description.data, description.size);
    write_frames(fd);

    write_all(STDOUT_FILENO, "P=2, M=", 7);
    write_all(STDOUT_FILENO, description.data, description.size);
    write_frames(STDOUT_FILENO);
}
