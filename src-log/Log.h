#pragma once

#include <charconv>
#include <cstdint>
#include <exception>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>

// The log file grows across runs and is emptied when it is opened beyond this size.
constexpr std::uint64_t log_size_limit = 10485760;

// Local time as "%a %Y-%m-%d %H:%M:%S", the prefix of every log line.
std::string log_timestamp();

// Full path of the log file: the temporary folder and "vek.log".
std::string log_path();

// The process-wide log stream, opened on first use. Throws when the file cannot be opened
// or the stream has gone bad. Lines go to it through write_log_line, not directly.
std::ostream& get_log_stream();

// Writes one line: the timestamp, a space, the text and a newline. Lines are handed to a writer
// thread that writes whatever has gathered in one piece, so that a burst of lines (a start-up
// logs every reference record) does not cost a system call each; flush_log waits for them.
// Throws when the log file cannot be opened.
void write_log_line(std::string_view text);

// Returns once every line written so far is in the file. Called before the process ends.
void flush_log();

// Opens a log file the way the program's own is opened: appended to up to the size limit,
// emptied beyond it, with the separator lines at the start of the run.
void open_log_file(std::ofstream& stream, const std::string& path);

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

// The one way an error is reported: its description in the log, a "problem" history event
// and a modal warning box, unless the exception has been reported already.
void log_and_show_exception(const std::exception* exception, const std::string& filename, int line);
