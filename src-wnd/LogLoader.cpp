#include "LogLoader.h"

#include "DB.h"
#include "Hours.h"
#include "LogEntry.h"
#include "Log.h"
#include "VekApp.h"
#include "ZelString.h"

#include <ctime>

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

std::string field_text(const pqxx::row& row, int column)
{
    const pqxx::field field = row[column];
    return field.is_null() ? std::string() : std::string(field.c_str(), field.size());
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

SummaryRow make_summary_row(const pqxx::row& row, const LogEntry::Columns& entry_columns,
                            const DisplayColumns& c)
{
    const LogEntry entry(row, entry_columns);

    std::array<std::string, SummaryRow::cell_count> cells;
    cells[1] = std::to_string(entry.id);
    cells[2] = entry.log_number();
    cells[3] = LogLoader::shorten_timestamp(field_text(row, c.last_updated));
    cells[4] = age_or_empty(entry.epoch_updated);
    cells[5] = LogLoader::shorten_timestamp(field_text(row, c.timestamp_start));
    cells[6] = age_or_empty(entry.epoch_start);
    cells[7] = LogLoader::shorten_timestamp(field_text(row, c.timestamp_end));
    cells[8] = age_or_empty(entry.epoch_end);
    cells[9] = field_text(row, c.status_name);
    cells[10] = field_text(row, c.cost_center_name);
    cells[11] = field_text(row, c.process_name);
    cells[12] = field_text(row, c.mid);
    cells[13] = field_text(row, c.description);
    cells[14] = field_text(row, c.department_name);
    cells[15] = field_text(row, c.full_name1);
    cells[16] = field_text(row, c.shift_name);
    cells[17] = field_text(row, c.category_name);
    cells[18] = Zel::simplifyWhitespace(entry.problem);
    cells[19] = Zel::simplifyWhitespace(entry.action);
    cells[20] = hours_text(entry.hours);
    cells[21] = field_text(row, c.downtime_reason_name);

    SummaryRow summary(cells);
    summary.id = entry.id;
    summary.hours = entry.hours;
    summary.epoch_updated = entry.epoch_updated > 0 ? entry.epoch_updated : 0;
    summary.epoch_start = entry.epoch_start > 0 ? entry.epoch_start : 0;
    summary.epoch_end = entry.epoch_end > 0 ? entry.epoch_end : 0;
    return summary;
}
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

std::string LogLoader::shorten_timestamp(const std::string& text)
{
    std::string result = text.substr(0, text.find_first_of(".+"));
    if (result.size() > 19)
        result.resize(19);
    return result;
}

SummaryRow LogLoader::make_row(const pqxx::row& row)
{
    return make_summary_row(row, LogEntry::Columns(row), DisplayColumns(row));
}

void LogLoader::run()
{
    observer.status("Loading records...");
    observer.progress(1.1);

    const std::int64_t now = epoch_now();
    last_load_time = now;
    const std::string date = local_date(window_start(period, now));
    LogLine() << "past timespamp for re-loading the database of maintenance logs is set to " << date;

    VekApplication& app = vek();
    std::string department_list = "0";
    for (const auto id : app.departments_for_current_role())
    {
        LogLine() << "-> " << app.department_at(id).describe();
        department_list += ", " + std::to_string(id);
    }

    const std::string where = where_clause(date, department_list);
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

    long long bound = highest + 1;
    long long read = 0;
    bool previous_chunk_empty = false;
    for (int chunk = 0; ! observer.should_stop() && lowest < bound && ! previous_chunk_empty; ++chunk)
    {
        const pqxx::result result
            = db.exec_nt("SELECT * FROM vek.all_logs " + where + " AND id < " + std::to_string(bound)
                             + " ORDER BY id DESC LIMIT " + std::to_string(chunk_size(chunk)),
                         "");
        if (rows.empty())
            observer.first_chunk_arrived();
        previous_chunk_empty = result.empty();
        if (result.empty())
            break;

        const LogEntry::Columns entry_columns(result[0]);
        const DisplayColumns display_columns(result[0]);
        for (const auto& row : result)
        {
            SummaryRow summary = make_summary_row(row, entry_columns, display_columns);
            bound = static_cast<long long>(summary.id);
            ++read;
            observer.status("Reading #" + std::to_string(read) + " of " + std::to_string(count) + " ("
                            + format_local(summary.epoch_start, "%B %Y") + ")...");
            observer.progress(count > 0 ? static_cast<double>(read) / static_cast<double>(count) : 1.0);
            rows.push_back(std::move(summary));
        }
    }
}
