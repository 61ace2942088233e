#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include <pqxx/except>

namespace Zel
{
// The one exception type of the program. It records where the error was
// raised or converted, the error text, the failing SQL if any, errno and a
// backtrace, and composes them into the description that is logged and shown.
class Exception : public std::exception
{
public:
    std::vector<std::string> backtrace;  // innermost first
    std::string sql;
    std::string type_name;
    std::string text;
    bool report_pending = false;  // cleared by whoever has reported it, so it is shown once
    std::string thread_name;
    std::string function_name;
    std::string filename;
    int32_t line_number = 0;
    int32_t errno_value = 0;
    uint32_t last_error = 0;  // the OS "last error"; Linux has none, so it stays 0
    std::string sqlstate;     // the server's SQLSTATE of an SQL error, such as 42501
    std::string shown_text;   // words for the user in place of the general error message

    Exception();
    Exception(const std::string& function_name, const std::string& filename, int line_number,
              const std::string& text, const std::string& sql = "");
    Exception(const std::string& function_name, const std::string& filename, int line_number,
              const pqxx::failure& e);
    Exception(const std::string& function_name, const std::string& filename, int line_number,
              const std::exception& e);
    Exception(const Exception&) = default;
    Exception& operator=(const Exception&) = default;
    ~Exception() override;

    const char* what() const noexcept override;
    virtual std::string to_string() const;
    virtual std::string describe() const;
    virtual void print() const;

    // Converts the exception currently being handled (call inside a catch
    // block): a Zel::Exception is returned as it is, report_pending included;
    // libpqxx and standard exceptions are converted with the given place;
    // anything else becomes "unknown exception".
    static Exception from_current(const std::string& function_name, const std::string& filename,
                                  int line_number);

protected:
    virtual void init(const std::string& function_name, const std::string& filename, int line_number,
                      const std::string& type_name, const std::string& text, const std::string& sql);
};

std::string supportContact();

// Drops everything before the third separator that follows the first
// character: C:\src\project\src-vek\VekApp gives \src-vek\VekApp.
std::string shortenSourceName(const std::string& filename);

// Up to 20 demangled symbol names after skipping the `skip` innermost frames
// (frame 0 is captureBacktrace itself); "unknown" where a frame has no symbol.
std::vector<std::string> captureBacktrace(int skip);
}
