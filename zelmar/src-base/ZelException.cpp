#include "ZelException.h"

#include "ZelString.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <iostream>
#include <typeinfo>

namespace
{
const int max_frames = 20;

std::string demangle(const char* name)
{
    int status = 0;
    char* readable = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    if (status != 0 || readable == nullptr)
        return name;
    std::string result(readable);
    std::free(readable);
    return result;
}

// Parameter lists spell std::string out in full; the short name keeps the
// backtrace readable in the log.
std::string shortenStringType(std::string name)
{
    static const std::string longName =
        "std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >";
    for (size_t pos = name.find(longName); pos != std::string::npos; pos = name.find(longName, pos))
        name.replace(pos, longName.size(), "std::string");
    return name;
}

// Labels are padded so that the values of the description line up.
std::string label(const std::string& name)
{
    return name + std::string(name.size() < 20 ? 20 - name.size() : 0, ' ');
}

std::string errno_message(int value)
{
    const char* message = std::strerror(value);
    std::string text = Zel::trim(message != nullptr ? message : "");
    return text.empty() ? "unknown error #" + std::to_string(value) : text;
}
}

std::string Zel::supportContact()
{
    return "the VEK support desk <support@talvik-logs.example>";
}

std::string Zel::shortenSourceName(const std::string& filename)
{
    size_t separator = 0;
    for (int found = 0; found < 3; ++found)
    {
        separator = filename.find_first_of("/\\", separator + 1);
        if (separator == std::string::npos)
            return filename;
    }
    return filename.substr(separator);
}

// Kept out of line so that the frames it skips are the ones the caller counts.
__attribute__((noinline)) std::vector<std::string> Zel::captureBacktrace(int skip)
{
    if (skip < 0)
        skip = 0;
    if (skip > 1000)
        skip = 1000;
    // A few spare frames for whatever sits above this function (see below).
    std::vector<void*> frames(static_cast<size_t>(skip + max_frames + 4));
    const int count = ::backtrace(frames.data(), static_cast<int>(frames.size()));

    std::vector<Dl_info> infos(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        if (dladdr(frames[static_cast<size_t>(i)], &infos[static_cast<size_t>(i)]) == 0)
            infos[static_cast<size_t>(i)] = Dl_info{};

    // Sanitizers interpose backtrace() and add frames of their own, so the
    // count starts at this function's frame when it can be recognised.
    int first = 0;
    const void* self = reinterpret_cast<const void*>(&captureBacktrace);
    for (int i = 0; i < count && i < 4; ++i)
        if (infos[static_cast<size_t>(i)].dli_saddr == self)
            first = i;

    std::vector<std::string> names;
    for (int i = first + skip; i < count && static_cast<int>(names.size()) < max_frames; ++i)
    {
        const char* symbol = infos[static_cast<size_t>(i)].dli_sname;
        names.push_back(symbol != nullptr ? shortenStringType(demangle(symbol)) : "unknown");
    }
    return names;
}

Zel::Exception::Exception() = default;

Zel::Exception::Exception(const std::string& function_name, const std::string& filename, int line_number,
                          const std::string& text, const std::string& sql)
{
    init(function_name, filename, line_number, demangle(typeid(Exception).name()), text, sql);
}

Zel::Exception::Exception(const std::string& function_name, const std::string& filename, int line_number,
                          const pqxx::failure& e)
{
    // init's cleaning of the statement also turns the query's tabs into single spaces.
    const auto* sql_error = dynamic_cast<const pqxx::sql_error*>(&e);
    init(function_name, filename, line_number, demangle(typeid(e).name()), e.what(),
         sql_error != nullptr ? sql_error->query() : std::string());
    // libpqxx 6 leaves the SQLSTATE out of some errors it has sorted by it.
    if (dynamic_cast<const pqxx::insufficient_privilege*>(&e) != nullptr)
        sqlstate = "42501";
    else if (sql_error != nullptr)
        sqlstate = sql_error->sqlstate();
}

Zel::Exception::Exception(const std::string& function_name, const std::string& filename, int line_number,
                          const std::exception& e)
{
    init(function_name, filename, line_number, demangle(typeid(e).name()), e.what(), "");
}

Zel::Exception::~Exception() = default;

// Out of line so that the backtrace always starts at the constructor.
__attribute__((noinline)) void Zel::Exception::init(const std::string& function_name, const std::string& filename,
                                                    int line_number, const std::string& type_name,
                                                    const std::string& text, const std::string& sql)
{
    // errno first: any later call may overwrite it.
    errno_value = errno;
    last_error = 0;

    backtrace = captureBacktrace(2);
    this->sql = simplifyWhitespace(sql);
    this->type_name = type_name;
    this->text = trim(text);
    report_pending = true;
    this->function_name = function_name;
    this->filename = filename;
    this->line_number = line_number;
    thread_name.clear();

    std::cout << "P=" << 2 << ", M=" << to_string() << "\n";
}

const char* Zel::Exception::what() const noexcept
{
    return text.c_str();
}

std::string Zel::Exception::to_string() const
{
    std::string d;
    d += sql.empty() ? "An error occurred.\n" : "A SQL error occurred.\n";
    d += "Please try again, or contact " + supportContact() + " for assistance.\n\n";

    d += label("The error type is:") + type_name;
    const std::string own_type = demangle(typeid(*this).name());
    if (type_name != own_type)
        d += " [" + own_type + "]";
    d += "\n";

    const std::string trimmed = trim(text);
    d += label("The error text is:");
    if (trimmed.find('\n') != std::string::npos)
        d += "\n";
    d += trimmed + "\n";

    if (errno_value != 0)
        d += label("Previous errno:") + std::to_string(errno_value) + " [" + errno_message(errno_value) + "]\n";
    // last_error has no Linux counterpart and stays 0, so no "Other error:" line.

    if (!sql.empty())
        d += "\nThe SQL query that generated the error is:\n" + sql + "\n\n";
    if (!thread_name.empty())
        d += label("Thread name:") + thread_name + "\n";
    if (!filename.empty())
    {
        d += label("Source file name:") + shortenSourceName(filename);
        if (line_number > 0)
            d += ", #" + std::to_string(line_number);
        d += "\n";
    }
    if (!function_name.empty())
        d += label("Function name:") + function_name + "\n";

    const std::vector<std::string> frames = backtrace.empty() ? captureBacktrace(2) : backtrace;
    if (!frames.empty())
    {
        d += "\nThe backtrace is:\n";
        for (const std::string& frame : frames)
            d += "    " + frame + "\n";
    }
    return d;
}

std::string Zel::Exception::describe() const
{
    return to_string();
}

void Zel::Exception::print() const
{
    const std::string dashes(30, '-');
    std::cout << "\n" << dashes << "\n\n" << to_string() << dashes << "\n\n" << std::flush;
}

Zel::Exception Zel::Exception::from_current(const std::string& function_name, const std::string& filename,
                                            int line_number)
{
    const std::exception_ptr current = std::current_exception();
    // A rethrow without an exception in flight would call std::terminate.
    if (!current)
        return Exception(function_name, filename, line_number, "no exception is being handled");
    try
    {
        std::rethrow_exception(current);
    }
    catch (const Exception& e)
    {
        return e;
    }
    catch (const pqxx::failure& e)
    {
        return Exception(function_name, filename, line_number, e);
    }
    catch (const std::exception& e)
    {
        return Exception(function_name, filename, line_number, e);
    }
    catch (...)
    {
        return Exception(function_name, filename, line_number, "unknown exception");
    }
}
