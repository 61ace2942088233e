#include "LogLoader.h"

#include "AlternateSignalStack.h"
#include "DB.h"
#include "Hours.h"
#include "LoadWnd.h"
#include "LogEntry.h"
#include "Log.h"
#include "ShownText.h"
#include "VekApp.h"
#include "ZelString.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <exception>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

std::atomic<std::int64_t> last_load_time{0};

namespace
{
std::string format_local(std::int64_t time, const char* pattern)
{
    const auto seconds = static_cast<std::time_t>(time);
    std::tm local{};
    localtime_r(&seconds, &local);
    char buffer[64];
    const auto length = std::strftime(buffer, sizeof(buffer), pattern, &local);
    return std::string(buffer, length);
}

std::string age_or_empty(std::int64_t time)
{
    return time > 0 ? Zel::approximateAge(time) : std::string();
}

// Column numbers of the display columns, found once per result.
struct DisplayColumns
{
    int last_updated, timestamp_start, timestamp_end, status_name, cost_center_name, process_name, mid, description,
        department_name, full_name1, shift_name, category_name, downtime_reason_name;

    explicit DisplayColumns(const pqxx::row& row)
        : last_updated(row.column_number("last_updated")), timestamp_start(row.column_number("timestamp_start")),
          timestamp_end(row.column_number("timestamp_end")), status_name(row.column_number("status_name")),
          cost_center_name(row.column_number("cost_center_name")), process_name(row.column_number("process_name")),
          mid(row.column_number("mid")), description(row.column_number("description")),
          department_name(row.column_number("department_name")), full_name1(row.column_number("full_name1")),
          shift_name(row.column_number("shift_name")), category_name(row.column_number("category_name")),
          downtime_reason_name(row.column_number("downtime_reason_name"))
    {
    }
};

std::string_view field_view(const pqxx::row& row, int column)
{
    const pqxx::field field = row[column];
    return field.is_null() ? std::string_view() : std::string_view(field.c_str(), field.size());
}

SummaryRow make_summary_row(const pqxx::row& row, const LogEntry::Columns& entry_columns,
                            const DisplayColumns& c, std::set<std::uint64_t>& missing_departments)
{
    LogEntry entry(row, entry_columns);

    // The acronym straight from the store. A missing department is reported later: its report
    // writes a history row, which needs the connection that the loading thread holds.
    const VekApplication& app = vek();
    const auto department = app.departments.find(entry.departments_id);
    if (department == app.departments.end())
        missing_departments.insert(entry.departments_id);
    const std::string log_number = format_log_number(department != app.departments.end()
                                                         ? department->second.acronym
                                                         : Department().acronym,
                                                     entry.display_number, display_number_width);
    const std::string id = std::to_string(entry.id);
    const std::string updated_age = age_or_empty(entry.epoch_updated);
    const std::string start_age = age_or_empty(entry.epoch_start);
    const std::string end_age = age_or_empty(entry.epoch_end);
    // A cell holds what the table shows: bytes that are not UTF-8 become their letters here, once,
    // so that painting, the filter and the reports all see the same text.
    std::string repaired[22];
    const auto shown = [&repaired](int cell, std::string_view bytes) -> std::string_view {
        if (ShownText::is_valid_utf8(bytes))
            return bytes;
        return repaired[cell] = ShownText::repaired(bytes);
    };
    entry.problem = ShownText::shortened(entry.problem, LogEntry::longest_listed_text);
    entry.action = ShownText::shortened(entry.action, LogEntry::longest_listed_text);
    Zel::simplifyWhitespaceInPlace(entry.problem);
    Zel::simplifyWhitespaceInPlace(entry.action);
    const std::string hours = entry.hours < 0 ? std::string() : hours_text(entry.hours);

    SummaryRow summary({std::string_view(), id, shown(2, log_number),
                        LogLoader::shorten_timestamp(field_view(row, c.last_updated)), updated_age,
                        LogLoader::shorten_timestamp(field_view(row, c.timestamp_start)), start_age,
                        LogLoader::shorten_timestamp(field_view(row, c.timestamp_end)), end_age,
                        shown(9, field_view(row, c.status_name)), shown(10, field_view(row, c.cost_center_name)),
                        shown(11, field_view(row, c.process_name)), shown(12, field_view(row, c.mid)),
                        shown(13, field_view(row, c.description)), shown(14, field_view(row, c.department_name)),
                        shown(15, field_view(row, c.full_name1)), shown(16, field_view(row, c.shift_name)),
                        shown(17, field_view(row, c.category_name)), shown(18, entry.problem),
                        shown(19, entry.action), hours, shown(21, field_view(row, c.downtime_reason_name))});
    summary.id = entry.id;
    summary.hours = entry.hours;
    summary.epoch_updated = entry.epoch_updated > 0 ? entry.epoch_updated : 0;
    summary.epoch_start = entry.epoch_start > 0 ? entry.epoch_start : 0;
    summary.epoch_end = entry.epoch_end > 0 ? entry.epoch_end : 0;
    return summary;
}

template <typename T>
T number_or_zero(const pqxx::row& row, int column)
{
    const pqxx::field field = row[column];
    return field.is_null() ? T{} : field.as<T>();
}

// Turns fetched chunks into summary rows on a thread of its own, in the order they were fetched.
class RowBuilder
{
public:
    RowBuilder(std::vector<SummaryRow>& target, std::set<std::uint64_t>& missing, LogLoader::Observer& progress_observer,
               long long total)
        : rows(target), missing_departments(missing), observer(progress_observer), count(total),
          thread([this] { run(); })
    {
    }

    ~RowBuilder() { finish(); }

    // Queues a chunk; waits while a few are already waiting, so that memory stays bounded.
    void add(pqxx::result chunk)
    {
        std::unique_lock<std::mutex> lock(mutex);
        room.wait(lock, [this] { return chunks.size() < 4 || failure != nullptr; });
        chunks.push_back(std::move(chunk));
        lock.unlock();
        ready.notify_one();
    }

    bool failed()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        return failure != nullptr;
    }

    // Builds what has been queued, ends the thread and passes on its failure, if any.
    void finish()
    {
        if (! thread.joinable())
            return;
        {
            const std::lock_guard<std::mutex> lock(mutex);
            done = true;
        }
        ready.notify_one();
        thread.join();
        if (failure != nullptr)
            std::rethrow_exception(std::exchange(failure, nullptr));
    }

private:
    void run()
    {
        const AlternateSignalStack crash_stack;
        for (;;)
        {
            std::unique_lock<std::mutex> lock(mutex);
            ready.wait(lock, [this] { return ! chunks.empty() || done; });
            if (chunks.empty())
                return;
            const pqxx::result chunk = std::move(chunks.front());
            chunks.pop_front();
            lock.unlock();
            room.notify_one();

            try
            {
                build(chunk);
            }
            catch (...)
            {
                lock.lock();
                failure = std::current_exception();
                chunks.clear();
                lock.unlock();
                room.notify_one();
                return;
            }
        }
    }

    void build(const pqxx::result& chunk)
    {
        const LogEntry::Columns entry_columns(chunk[0]);
        const DisplayColumns display_columns(chunk[0]);
        for (const auto& row : chunk)
        {
            SummaryRow summary = make_summary_row(row, entry_columns, display_columns, missing_departments);
            ++read;
            // The progress window shows the status every 100 ms; composing it for every row would
            // cost more than the row itself, so it is composed when there is something new to show.
            const auto now = std::chrono::steady_clock::now();
            if (now >= next_status || row.rownumber() + 1 == chunk.size())
            {
                observer.status("Reading #" + std::to_string(read) + " of " + std::to_string(count) + " ("
                                + format_local(summary.epoch_start, "%B %Y") + ")...");
                next_status = now + std::chrono::milliseconds(20);
            }
            observer.progress(count > 0 ? static_cast<double>(read) / static_cast<double>(count) : 1.0);
            rows.push_back(std::move(summary));
        }
    }

    std::vector<SummaryRow>& rows;
    std::set<std::uint64_t>& missing_departments;
    LogLoader::Observer& observer;
    const long long count;
    long long read = 0;
    std::chrono::steady_clock::time_point next_status = std::chrono::steady_clock::now();

    std::mutex mutex;
    std::condition_variable ready;
    std::condition_variable room;
    std::deque<pqxx::result> chunks;
    bool done = false;
    std::exception_ptr failure;
    std::thread thread;
};
} // namespace

LogLoader::LogLoader(DB& database, int period_code, Observer& progress_observer)
    : db(database), period(period_code), observer(progress_observer)
{
}

std::int64_t LogLoader::window_start(int period, std::int64_t now)
{
    switch (period)
    {
        case 1: return now - 604800;
        case 2: return now - 2678400;
        case 3: return now - 15811200;
        case 4: return now - 31622400;
        case 0:
        case 5: return 0;
        default: return now;
    }
}

std::string LogLoader::local_date(std::int64_t time)
{
    return format_local(time, "%Y-%m-%d");
}

std::string LogLoader::where_clause(const std::string& date, const std::string& department_list)
{
    return std::string("WHERE") + " ( timestamp_end IS NULL" + " OR timestamp_end > '" + date
           + "' OR timestamp_start > '" + date + "' OR last_updated > '" + date + "') AND departments_id IN ("
           + department_list + ")";
}

int LogLoader::chunk_size(int chunk_index)
{
    int size = 50;
    for (int i = 0; i < chunk_index && size < 1000; ++i)
        size *= 2;
    return size < 1000 ? size : 1000;
}

std::string_view LogLoader::shorten_timestamp(std::string_view text)
{
    return text.substr(0, std::min<std::size_t>(text.find_first_of(".+"), 19));
}

void LogLoader::report_missing(const std::set<std::uint64_t>& missing_departments)
{
    // Not while the user stops the load: the message thread waits for this thread then, and a
    // report from here would wait for the message thread.
    for (const auto id : missing_departments)
        if (! observer.should_stop())
            vek().department_at(id);
}

void LogLoader::run()
{
    complete = false;
    std::set<std::uint64_t> missing_departments;
    try
    {
        load(missing_departments);
    }
    catch (...)
    {
        report_missing(missing_departments);
        throw;
    }
    report_missing(missing_departments);
}

std::string LogLoader::where_now(bool log)
{
    window_date = local_date(window_start(period, epoch_now()));
    if (log)
        LogLine() << "past timespamp for re-loading the database of maintenance logs is set to " << window_date;

    VekApplication& app = vek();
    std::string department_list = "0";
    for (const auto id : app.departments_for_current_role())
    {
        if (log)
            LogLine() << "-> " << app.department_at(id).describe();
        department_list += ", " + std::to_string(id);
    }
    return where_clause(window_date, department_list);
}

std::string LogLoader::changed_sql(const std::string& where, std::int64_t since,
                                   const std::vector<std::uint64_t>& entries)
{
    std::string sql = "SELECT * FROM vek.all_logs " + where + " AND (last_updated >= TO_TIMESTAMP("
                      + std::to_string(since) + ")";
    if (! entries.empty())
    {
        sql += " OR id IN (";
        for (std::size_t i = 0; i < entries.size(); ++i)
            sql += (i == 0 ? "" : ", ") + std::to_string(entries[i]);
        sql += ")";
    }
    return sql + ") ORDER BY id DESC";
}

std::vector<SummaryRow> LogLoader::read_changed(std::int64_t since, const std::vector<std::uint64_t>& entries)
{
    std::vector<SummaryRow> changed;
    std::set<std::uint64_t> missing_departments;
    {
        const DB::Hold hold(db);
        pqxx::result result = db.exec_quiet_on_loss(changed_sql(where_now(false), since, entries), "");
        if (! result.empty())
        {
            RowBuilder builder(changed, missing_departments, observer, static_cast<long long>(result.size()));
            builder.add(std::move(result));
            builder.finish();
        }
    }
    report_missing(missing_departments);
    return changed;
}

std::vector<std::uint64_t> LogLoader::window_ids()
{
    const pqxx::result result = db.exec_quiet_on_loss("SELECT id FROM vek.all_logs " + where_now(false)
                                                          + " ORDER BY id DESC",
                                                      "");
    std::vector<std::uint64_t> ids;
    ids.reserve(result.size());
    for (const auto& row : result)
        ids.push_back(row[0].as<std::uint64_t>());
    return ids;
}

void LogLoader::load(std::set<std::uint64_t>& missing_departments)
{
    // One load is one use of the connection, its unlogged counts included: the update poll,
    // whose timer ticks in the progress window's modal loop, stays out until the load is over.
    const DB::Hold hold(db);
    observer.status("Loading records...");
    observer.progress(1.1);

    last_load_time = epoch_now();
    const std::string where = where_now(true);
    const auto single_value = [this, &where](const std::string& select) {
        return db.exec1(select + where)[0][0].as<long long>();
    };
    const long long count = single_value("SELECT COALESCE(COUNT(id), 0) FROM vek.all_logs ");
    const long long lowest = single_value("SELECT COALESCE(MIN(id)  , 0) FROM vek.all_logs ");
    const long long highest = single_value("SELECT COALESCE(MAX(id)  , 0) FROM vek.all_logs ");
    LogLine() << "total number of records to load: " << count << " (between " << lowest << " and " << highest << ")";

    rows.clear();
    rows.reserve(static_cast<std::size_t>(count));
    observer.status("Getting ready to load " + std::to_string(count) + " records...");
    observer.progress(0.0);

    // The rows are built on a second thread while this one waits for the next chunk from the
    // server, so that building them costs no time of its own.
    RowBuilder builder(rows, missing_departments, observer, count);
    long long bound = highest + 1;
    try
    {
        for (int chunk = 0; ! observer.should_stop() && lowest < bound && ! builder.failed(); ++chunk)
        {
            pqxx::result result
                = db.exec_nt("SELECT * FROM vek.all_logs " + where + " AND id < " + std::to_string(bound)
                                 + " ORDER BY id DESC LIMIT " + std::to_string(chunk_size(chunk)),
                             "");
            if (chunk == 0)
                observer.first_chunk_arrived();
            if (result.empty())
                break;
            // The next chunk continues below the oldest id read.
            bound = number_or_zero<long long>(result[result.size() - 1], result.column_number("id"));
            builder.add(std::move(result));
        }
    }
    catch (...)
    {
        // The rows of the chunks read so far are kept; the query's failure is the one passed on.
        try
        {
            builder.finish();
        }
        catch (...)
        {
        }
        throw;
    }
    builder.finish();
    complete = ! observer.should_stop();
}
