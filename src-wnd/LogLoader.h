#pragma once

#include "SummaryRow.h"

#include <pqxx/pqxx>

#include <atomic>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class DB;

// Start time of the last load of the summary table (0 before the first); the update poll counts
// entries changed after it.
extern std::atomic<std::int64_t> last_load_time;

// Reads the current role's log entries of a time window into summary rows, newest first, in
// chunks with keyset paging on id. The loading thread runs it behind its progress window; the
// benchmarks run it as it is.
class LogLoader
{
public:
    // What the loader tells whoever shows its progress, and asks of them.
    class Observer
    {
    public:
        virtual ~Observer() = default;
        virtual bool should_stop() { return false; }
        virtual void status(const std::string&) {}
        virtual void progress(double) {}
        // After the first chunk has come back, before its rows are added.
        virtual void first_chunk_arrived() {}
    };

    std::vector<SummaryRow> rows;
    // The date that began the window of the last read ("%Y-%m-%d", local time).
    std::string window_date;
    // Whether the last run read every entry of its window (not stopped, no failure).
    bool complete = false;

    LogLoader(DB& db, int period, Observer& observer);

    // Runs the load. A failure leaves the rows read so far and is thrown on.
    void run();

    // The window's entries changed at or after `since` (seconds since the epoch, server time), and
    // the listed entries, built as the load builds them, newest first.
    std::vector<SummaryRow> read_changed(std::int64_t since, const std::vector<std::uint64_t>& entries);
    // The ids of every entry in the window now, highest first.
    std::vector<std::uint64_t> window_ids();

    // The statement of read_changed.
    static std::string changed_sql(const std::string& where, std::int64_t since,
                                   const std::vector<std::uint64_t>& entries);

    // Start of the time window of a period code, in seconds since the epoch.
    static std::int64_t window_start(int period, std::int64_t now);

    // "%Y-%m-%d" of a time in local time.
    static std::string local_date(std::int64_t time);

    static std::string where_clause(const std::string& date, const std::string& department_list);

    // Rows asked for by the n-th chunk (0-based): 50 first, so that the user sees the newest rows
    // at once, then doubling up to 1000, so that a long load costs few round trips.
    static int chunk_size(int chunk_index);

    // A server timestamp text without fractions of seconds and positive zone offsets, at most
    // 19 characters.
    static std::string_view shorten_timestamp(std::string_view text);


private:
    // The load itself, holding the connection; notes the departments missing from the store.
    void load(std::set<std::uint64_t>& missing_departments);
    // The window's WHERE clause now, for the current role's departments; sets window_date.
    std::string where_now(bool log);
    // Reports the departments that rows named but the store lacks, unless the user stops.
    void report_missing(const std::set<std::uint64_t>& missing_departments);

    DB& db;
    int period;
    Observer& observer;
};
