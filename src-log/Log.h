#pragma once

#include <charconv>
#include <cstdint>
#include <exception>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>

// The log file grows across runs and is emptied when it is opened beyond this size.
constexpr std::uint64_t log_size_limit = 10485760;

// Local time as "%a %Y-%m-%d %H:%M:%S", the prefix of every log line.
std::string log_timestamp();

// Full path of the log file: "vek.log" in $TMPDIR when that is set, otherwise in a folder of
// the user's own ($XDG_STATE_HOME/vek, or ~/.local/state/vek), never in the shared /tmp.
std::string log_path();

// Writes one line: the timestamp, a space, the text and a newline, in one write to the file,
// before it returns, so that the lines that would explain a crash are in the file when it
// happens. Lines of several threads never interleave. Opens the file on first use; throws when
// it cannot be opened.
void write_log_line(std::string_view text);

// The same for the crash and terminate handlers: writes straight to the file without waiting for
// any lock the failing thread may hold, and never throws or allocates. Without an open file it
// opens one only when nobody else is holding the log's lock.
void write_log_line_unlocked(std::string_view text) noexcept;
// The lines of the failing thread's open group, for the handlers to write before their own.
void write_log_group_unlocked() noexcept;
// The log file's descriptor when it is open, -1 otherwise; opens nothing.
int log_descriptor_unlocked() noexcept;

// Opens a log file the way the program's own is opened: appended to up to the size limit,
// emptied beyond it, with the separator lines at the start of the run. The file is the user's
// own and readable by nobody else: a symbolic link, a file of another user or anything but a
// plain file at the path is refused with an exception. Returns the open file descriptor.
int open_log_file(const std::string& path);

// One whole line of the log. The pieces are collected and written, with the timestamp, in one
// piece when the object goes out of scope, so that lines of several threads never interleave.
//     LogLine() << "running job #" << job;
class LogLine
{
public:
    LogLine() = default;
    LogLine(const LogLine&) = delete;
    LogLine& operator=(const LogLine&) = delete;
    ~LogLine();

    template <typename T>
    LogLine& operator<<(const T& value)
    {
        if constexpr (std::is_convertible_v<const T&, std::string_view>)
        {
            text += std::string_view(value);
        }
        else if constexpr (std::is_integral_v<T> && ! std::is_same_v<T, bool> && ! std::is_same_v<T, char>)
        {
            append_integer(value);
        }
        else if constexpr (std::is_floating_point_v<T>)
        {
            // Whole numbers below a million look the same in the stream's default notation.
            if (value == static_cast<double>(static_cast<long long>(value)) && value > -1e6 && value < 1e6)
                append_integer(static_cast<long long>(value));
            else
                append_streamed(value);
        }
        else
        {
            append_streamed(value);
        }
        return *this;
    }

private:
    template <typename T>
    void append_integer(T value)
    {
        char digits[24];
        text.append(digits, std::to_chars(digits, digits + sizeof(digits), value).ptr);
    }

    // As a stream writes it.
    template <typename T>
    void append_streamed(const T& value)
    {
        std::ostringstream stream;
        stream << value;
        text += stream.str();
    }

    std::string text;
};

// Lines that this thread logs while a group lives are written together when it goes, in one
// write (or one per 64 KiB): for a step that logs a burst of lines with nothing else between them
// (the start-up logs every reference record and every step of its progress bar), where a system
// call per line would cost more than the step. An exception writes them as the group unwinds, and
// the crash and terminate handlers write them before their own. A group inside a group adds to
// the outer one.
class LogGroup
{
public:
    LogGroup();
    LogGroup(const LogGroup&) = delete;
    LogGroup& operator=(const LogGroup&) = delete;
    ~LogGroup();

private:
    bool outermost;
};

// The one way an error is reported: its description in the log, a "problem" history event
// and a modal warning box, unless the exception has been reported already.
void log_and_show_exception(const std::exception* exception, const std::string& filename, int line);
// The same for the exception being handled, inside a catch block, converted with the given place.
void log_and_show_current_exception(const std::string& function_name, const std::string& source, int line);
