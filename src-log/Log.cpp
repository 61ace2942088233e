#include "Log.h"

#include "History.h"
#include "Interaction.h"
#include "PermissionWords.h"
#include "Brand.h"
#include "ShownText.h"
#include "ZelException.h"
#include "ZelString.h"

#include <juce_core/juce_core.h>
#include <pqxx/except>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <memory>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace
{
std::string short_file_name(const std::string& filename)
{
    const auto slash = filename.find_last_of("/\\");
    return slash == std::string::npos ? filename : filename.substr(slash + 1);
}

[[noreturn]] void throw_open_failure(const std::string& path)
{
    throw Zel::Exception("get_log_stream", "src-log/Log", __LINE__,
                         "failed to open output logging file \"" + path + "\"");
}

// Writes every byte of the pieces, in one system call when the kernel takes them whole.
bool write_all(int fd, iovec* pieces, int count) noexcept
{
    while (count > 0)
    {
        const ssize_t written = ::writev(fd, pieces, count);
        if (written < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        auto left = static_cast<std::size_t>(written);
        while (count > 0 && left >= pieces->iov_len)
        {
            left -= pieces->iov_len;
            ++pieces;
            --count;
        }
        if (count > 0)
        {
            pieces->iov_base = static_cast<char*>(pieces->iov_base) + left;
            pieces->iov_len -= left;
        }
    }
    return true;
}

bool write_line(int fd, std::string_view stamp, std::string_view text) noexcept
{
    char space = ' ';
    char newline = '\n';
    iovec pieces[] = {{const_cast<char*>(stamp.data()), stamp.size()},
                      {&space, 1},
                      {const_cast<char*>(text.data()), text.size()},
                      {&newline, 1}};
    return write_all(fd, pieces, 4);
}

bool write_text(int fd, std::string_view text) noexcept
{
    iovec piece{const_cast<char*>(text.data()), text.size()};
    return write_all(fd, &piece, 1);
}

// The timestamp changes once a second; formatting it for every line would cost more than the
// line.
const std::string& timestamp_cached()
{
    thread_local std::time_t stamp_time = 0;
    thread_local std::string stamp;
    const std::time_t now = std::time(nullptr);
    if (now != stamp_time)
    {
        stamp_time = now;
        stamp = log_timestamp();
    }
    return stamp;
}

// The log file of this process. Lines are written whole, one write each, under the mutex; the
// descriptor is also read without it by the crash handlers.
class LogFile
{
public:
    void write(std::string_view text)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        const int fd = open_locked();
        if (! write_line(fd, timestamp_cached(), text))
            close_locked(); // the next line tries to open the file again, and throws if it fails
    }

    // Whole lines, timestamps and newlines included.
    void write_lines(std::string_view lines)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        const int fd = open_locked();
        if (! write_text(fd, lines))
            close_locked();
    }

    void write_unlocked(std::string_view text) noexcept
    {
        const int fd = descriptor_unlocked();
        if (fd < 0)
            return;
        char stamp[50];
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        const auto length = std::strftime(stamp, sizeof(stamp), "%a %Y-%m-%d %H:%M:%S", &local);
        write_line(fd, std::string_view(stamp, length), text);
    }

    int open_descriptor() const noexcept { return descriptor.load(); }

    void write_lines_unlocked(std::string_view lines) noexcept
    {
        if (const int fd = descriptor_unlocked(); fd >= 0)
            write_text(fd, lines);
    }

private:
    // Without an open file, opens one only when nobody else is holding the lock.
    int descriptor_unlocked() noexcept
    {
        int fd = descriptor.load();
        if (fd < 0 && mutex.try_lock())
        {
            try
            {
                fd = open_locked();
            }
            catch (...)
            {
            }
            mutex.unlock();
        }
        return fd;
    }

    int open_locked()
    {
        if (descriptor.load() < 0)
            descriptor = open_log_file(log_path());
        return descriptor.load();
    }

    void close_locked()
    {
        ::close(descriptor.exchange(-1));
    }

    std::mutex mutex;
    std::atomic<int> descriptor{-1};
};

// The lines of this thread's open group, if it has one.
thread_local std::string* group_lines = nullptr;

// Never destroyed: threads and the crash handlers may log until the very end of the process.
LogFile& log_file()
{
    static LogFile* instance = new LogFile;
    return *instance;
}

juce::File log_folder()
{
    if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp != '\0')
        return juce::File::getSpecialLocation(juce::File::tempDirectory);
    const char* state = std::getenv("XDG_STATE_HOME");
    const juce::File base = state != nullptr && juce::File::isAbsolutePath(state) ? juce::File(state)
                                                                                 : juce::File("~/.local/state");
    return base.getChildFile("vek");
}
} // namespace

std::string log_timestamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[50];
    const auto length = std::strftime(buffer, sizeof(buffer), "%a %Y-%m-%d %H:%M:%S", &local);
    return std::string(buffer, length);
}

std::string log_path()
{
    return log_folder().getChildFile("vek.log").getFullPathName().toStdString();
}

int open_log_file(const std::string& path)
{
    // A folder of our own is made for the user alone; a folder given by TMPDIR is taken as it is.
    const juce::File folder = juce::File(ShownText::from_bytes(path)).getParentDirectory();
    if (! folder.isDirectory())
    {
        folder.getParentDirectory().createDirectory();
        ::mkdir(folder.getFullPathName().toRawUTF8(), 0700);
    }

    // Not through a symbolic link, not blocking on a planted pipe, created for the user alone.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY,
                          0600);
    if (fd < 0)
        throw_open_failure(path);

    struct stat status{};
    if (::fstat(fd, &status) != 0 || ! S_ISREG(status.st_mode) || status.st_uid != ::geteuid())
    {
        ::close(fd);
        errno = EACCES;
        throw_open_failure(path);
    }
    ::fcntl(fd, F_SETFL, O_WRONLY | O_APPEND);
    if ((status.st_mode & 077) != 0)
        ::fchmod(fd, 0600);

    const auto old_size = static_cast<std::uint64_t>(status.st_size);
    const bool truncate = old_size > log_size_limit;
    if (truncate && ::ftruncate(fd, 0) != 0)
    {
        ::close(fd);
        throw_open_failure(path);
    }

    std::string head = "\n-------------------------------------\n";
    if (truncate)
        head += "truncated previous log file (was " + Zel::formatBytes(old_size) + ")\n";
    if (! write_text(fd, head))
    {
        ::close(fd);
        throw_open_failure(path);
    }
    return fd;
}

void write_log_line(std::string_view text)
{
    if (group_lines == nullptr)
    {
        log_file().write(text);
        return;
    }
    *group_lines += timestamp_cached();
    *group_lines += ' ';
    *group_lines += text;
    *group_lines += '\n';
    // A long group goes out in pieces, so that it never holds much back.
    if (group_lines->size() >= 64 * 1024)
    {
        log_file().write_lines(*group_lines);
        group_lines->clear();
    }
}

LogGroup::LogGroup() : outermost(group_lines == nullptr)
{
    if (outermost)
        group_lines = new std::string;
}

LogGroup::~LogGroup()
{
    if (! outermost)
        return;
    const std::unique_ptr<std::string> lines(group_lines);
    group_lines = nullptr;
    try
    {
        if (! lines->empty())
            log_file().write_lines(*lines);
    }
    catch (const std::exception& e)
    {
        std::cerr << "log: " << e.what() << ":\n" << *lines;
    }
}

namespace
{
// Writes out this thread's open group and logs line by line while it lives: a report's lines are
// in the file before its box waits for a click.
class GroupPause
{
public:
    GroupPause() : lines(group_lines)
    {
        group_lines = nullptr;
        if (lines == nullptr || lines->empty())
            return;
        try
        {
            log_file().write_lines(*lines);
        }
        catch (const std::exception& e)
        {
            std::cerr << "log: " << e.what() << ":\n" << *lines;
        }
        lines->clear();
    }
    GroupPause(const GroupPause&) = delete;
    GroupPause& operator=(const GroupPause&) = delete;
    ~GroupPause() { group_lines = lines; }

private:
    std::string* lines;
};
} // namespace

void write_log_line_unlocked(std::string_view text) noexcept
{
    log_file().write_unlocked(text);
}

void write_log_group_unlocked() noexcept
{
    if (group_lines != nullptr && ! group_lines->empty())
        log_file().write_lines_unlocked(*group_lines);
}

int log_descriptor_unlocked() noexcept
{
    return log_file().open_descriptor();
}

LogLine::~LogLine()
{
    try
    {
        write_log_line(text);
    }
    catch (const std::exception& e)
    {
        // A line that cannot be written must not take the program down from a destructor.
        std::cerr << "log: " << e.what() << ": " << text << std::endl;
    }
}

void log_and_show_current_exception(const std::string& function_name, const std::string& source, int line)
{
    const Zel::Exception e = Zel::Exception::from_current(function_name, source, line);
    log_and_show_exception(&e, source, line);
}

void log_and_show_exception(const std::exception* exception, const std::string& filename, int line)
{
    Zel::Exception local;
    if (auto* zel = dynamic_cast<const Zel::Exception*>(exception))
        local = *zel;
    else if (auto* sql = dynamic_cast<const pqxx::sql_error*>(exception))
        local = Zel::Exception("log_and_show_exception", "src-log/Log", __LINE__, *sql);
    else if (exception != nullptr)
        local = Zel::Exception("log_and_show_exception", "src-log/Log", __LINE__, *exception);
    else
        local = Zel::Exception("log_and_show_exception", "src-log/Log", __LINE__, "null exception");

    if (! local.report_pending)
        return;

    const GroupPause lines_before_the_box;
    try
    {
        write_log_line(local.to_string());
    }
    catch (const std::exception& e)
    {
        // A log that cannot be written (another user's file, no room) must not hide the error:
        // its description goes to standard error, and the box is shown all the same.
        std::cerr << "log: " << e.what() << "\n" << local.to_string() << std::endl;
    }

    // A failure while reporting another one (the "problem" row cannot be written on a lost
    // connection) is the same failure seen again: it is logged, and the user sees the first.
    thread_local int reports_in_progress = 0;
    if (reports_in_progress > 0)
        return;
    ++reports_in_progress;
    const struct Done
    {
        ~Done() { --reports_in_progress; }
    } done;

    const std::string text = "Exception: file=" + short_file_name(filename) + " line=" + std::to_string(line)
                             + " text=" + local.what();
    add_history_event(HistoryEvent::problem, 0,
                      Zel::simplifyWhitespace(std::string(short_product_name) + ": " + text));

    // What the user can act on (a refused privilege, a server that could not prove who it is) is
    // said in words of its own.
    const std::string words = local.shown_text.empty() ? PermissionWords::of(local) : local.shown_text;
    try
    {
        Interaction::get().show_message_box(
            Interaction::Icon::warning, "VEK problem detected!",
            words.empty() ? "An error or exception was detected.\r\n\r\nThe file " + log_path()
                                + " may have some additional details on the cause of the error.\r\n\r\nPlease try "
                                  "again, consult the log file, or contact "
                                + Zel::supportContact() + " for assistance."
                          : words + "\r\n\r\nThe file " + log_path() + " has the details.",
            "");
    }
    catch (...)
    {
    }
}
