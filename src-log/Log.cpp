#include "Log.h"

#include "History.h"
#include "Interaction.h"
#include "Brand.h"
#include "ZelException.h"
#include "ZelString.h"

#include <juce_core/juce_core.h>
#include <pqxx/except>

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <iostream>
#include <mutex>
#include <thread>

namespace
{
std::string short_file_name(const std::string& filename)
{
    const auto slash = filename.find_last_of("/\\");
    return slash == std::string::npos ? filename : filename.substr(slash + 1);
}

// The one thread that writes the log file. Callers append whole lines to `pending` under the
// mutex; the thread takes everything gathered and writes it in one piece, then flushes. The file
// is touched only under the mutex.
class LogWriter
{
public:
    ~LogWriter()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        wake.notify_one();
        if (thread.joinable())
            thread.join();
    }

    // Opens the file if needed (on the caller's thread, so that a failure throws there).
    std::ostream& stream()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        return open_locked();
    }

    void append(std::string_view text)
    {
        std::unique_lock<std::mutex> lock(mutex);
        open_locked();
        const bool was_idle = pending.empty();
        pending += log_timestamp_cached();
        pending += ' ';
        pending += text;
        pending += '\n';
        if (! thread.joinable())
            thread = std::thread([this] { run(); });
        lock.unlock();
        if (was_idle)
            wake.notify_one();
    }

    void flush()
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (pending.empty() || ! thread.joinable())
            return;
        flush_requested = true;
        lock.unlock();
        wake.notify_one();
        lock.lock();
        drained.wait(lock, [this] { return pending.empty() || ! thread.joinable(); });
    }

private:
    std::ostream& open_locked()
    {
        if (! file.is_open())
        {
            file.clear();
            open_log_file(file, log_path());
        }
        if (file.good())
            return file;
        // Closing lets the next call try to open the file again.
        file.close();
        throw Zel::Exception("get_log_stream", "src-log/Log", __LINE__,
                             "failed to open output logging file \"" + log_path() + "\"");
    }

    // The timestamp changes once a second; formatting it for every line would cost more than
    // the line.
    const std::string& log_timestamp_cached()
    {
        const std::time_t now = std::time(nullptr);
        if (now != stamp_time)
        {
            stamp_time = now;
            stamp = log_timestamp();
        }
        return stamp;
    }

    void run()
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;)
        {
            wake.wait(lock, [this] { return ! pending.empty() || stopping; });
            if (pending.empty() && stopping)
                break;
            // A line seldom comes alone: give the others a moment to join it, so that a burst
            // costs one write instead of one each (and the threads do not wake each other for
            // every line). A flush or the end of the program does not wait.
            wake.wait_for(lock, std::chrono::milliseconds(2), [this] { return flush_requested || stopping; });
            file.write(pending.data(), static_cast<std::streamsize>(pending.size()));
            file.flush();
            pending.clear();
            flush_requested = false;
            drained.notify_all();
        }
        drained.notify_all();
    }

    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable drained;
    std::ofstream file;
    std::string pending;
    bool flush_requested = false;
    bool stopping = false;
    std::time_t stamp_time = 0;
    std::string stamp;
    std::thread thread;
};

LogWriter& writer()
{
    static LogWriter instance;
    return instance;
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
    return writer().stream();
}

void write_log_line(std::string_view text)
{
    writer().append(text);
}

void flush_log()
{
    writer().flush();
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

    write_log_line(local.to_string());

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
