#include "Log.h"

#include "History.h"
#include "Interaction.h"
#include "Brand.h"
#include "ZelException.h"
#include "ZelString.h"

#include <juce_core/juce_core.h>
#include <pqxx/except>

#include <ctime>
#include <iostream>
#include <mutex>

namespace
{
std::mutex& log_mutex()
{
    static std::mutex mutex;
    return mutex;
}

std::string short_file_name(const std::string& filename)
{
    const auto slash = filename.find_last_of("/\\");
    return slash == std::string::npos ? filename : filename.substr(slash + 1);
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
    const auto folder = juce::File::getSpecialLocation(juce::File::tempDirectory);
    return (folder.getFullPathName() + juce::File::getSeparatorString() + "vek.log").toStdString();
}

void open_log_file(std::ofstream& stream, const std::string& path)
{
    const juce::File file(juce::String::fromUTF8(path.c_str()));
    const std::uint64_t old_size = file.existsAsFile() ? static_cast<std::uint64_t>(file.getSize()) : 0;
    const bool truncate = old_size > log_size_limit;

    stream.open(path, truncate ? std::ios::out | std::ios::trunc : std::ios::out | std::ios::app);
    stream << std::endl << "-------------------------------------" << std::endl;
    if (truncate)
        stream << "truncated previous log file (was " << Zel::formatBytes(old_size) << ")" << std::endl;
}

std::ostream& get_log_stream()
{
    static std::ofstream stream;

    if (! stream.is_open())
    {
        stream.clear();
        open_log_file(stream, log_path());
    }
    if (stream.good())
        return stream;

    // Closing lets the next call try to open the file again.
    stream.close();
    throw Zel::Exception("get_log_stream", "src-log/Log", __LINE__,
                         "failed to open output logging file \"" + log_path() + "\"");
}

LogLine::~LogLine()
{
    try
    {
        const std::lock_guard<std::mutex> lock(log_mutex());
        get_log_stream() << log_timestamp() << " " << text.str() << std::endl;
    }
    catch (const std::exception& e)
    {
        // A line that cannot be written must not take the program down from a destructor.
        std::cerr << "log: " << e.what() << ": " << text.str() << std::endl;
    }
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

    {
        const std::lock_guard<std::mutex> lock(log_mutex());
        get_log_stream() << log_timestamp() << " " << local.to_string() << std::endl;
    }

    const std::string text = "Exception: file=" + short_file_name(filename) + " line=" + std::to_string(line)
                             + " text=" + local.what();
    add_history_event(HistoryEvent::problem, 0,
                      Zel::simplifyWhitespace(std::string(short_product_name) + ": " + text));

    try
    {
        Interaction::get().show_message_box(
            Interaction::Icon::warning, "VEK problem detected!",
            "An error or exception was detected.\r\n\r\nThe file " + log_path()
                + " may have some additional details on the cause of the error.\r\n\r\nPlease try again, consult the "
                  "log file, or contact "
                + Zel::supportContact() + " for assistance.",
            "");
    }
    catch (...)
    {
    }
}
