#pragma once

#include <cstdint>
#include <exception>
#include <fstream>
#include <sstream>
#include <string>

// The log file grows across runs and is emptied when it is opened beyond this size.
constexpr std::uint64_t log_size_limit = 10485760;

// Local time as "%a %Y-%m-%d %H:%M:%S", the prefix of every log line.
std::string log_timestamp();

// Full path of the log file: the temporary folder and "vek.log".
std::string log_path();

// The process-wide log stream, opened on first use. Throws when the file cannot be opened
// or the stream has gone bad.
std::ostream& get_log_stream();

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
        text << value;
        return *this;
    }

private:
    std::ostringstream text;
};

// The one way an error is reported: its description in the log, a "problem" history event
// and a modal warning box, unless the exception has been reported already.
void log_and_show_exception(const std::exception* exception, const std::string& filename, int line);
