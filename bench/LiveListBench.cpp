// The live list on the big site: a merge of one saved entry into the whole site's rows, against
// reading one chunk of 50 rows with the loading thread's statement; and ten listening clients
// taking the saves of one writer (5 a second for 20 s) from commit to merged rows.

#include "LiveListBench.h"

#include "Cfg.h"
#include "DB.h"
#include "LiveMerge.h"
#include "LogLoader.h"
#include "SummarySort.h"
#include "TextFilter.h"
#include "VekApp.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace
{
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The table's sort: by log number, newest first.
const LiveMerge::Order order{2, false};

// The visible rows, as the summary window builds them from sorted rows with a blank filter.
std::size_t visible(std::vector<SummaryRow>& rows)
{
    return TextFilter::apply(rows, {}, false, epoch_now()).visible.size();
}

std::string department_list(VekApplication& app)
{
    std::string list = "0";
    for (const auto id : app.departments_for_current_role())
        list += ", " + std::to_string(id);
    return list;
}

std::uint64_t newest_entry(DB& db)
{
    return db.exec1("SELECT max(id) FROM vek.logs")[0][0].as<std::uint64_t>();
}

std::string changing_sql(std::uint64_t id, int n)
{
    return "UPDATE vek.logs SET problem = 'live bench " + std::to_string(n) + "', last_updated = NOW() WHERE id = "
           + std::to_string(id);
}

LiveListFigure measure_merge_after_save(VekApplication& app)
{
    DB& db = *app.database;
    LogLoader::Observer quiet;
    LogLoader all(db, 5, quiet);
    all.run();
    std::vector<SummaryRow> rows = std::move(all.rows);
    LiveMerge merge;
    merge.loaded(rows, 5, all.window_date, all.complete);
    sort_summary_rows(rows, order.column, order.forwards);
    merge.sorted_from_load(order);

    const std::string chunk = "SELECT * FROM vek.all_logs "
                              + LogLoader::where_clause(LogLoader::local_date(0), department_list(app))
                              + " AND id < " + std::to_string(newest_entry(db) + 1) + " ORDER BY id DESC LIMIT 50";
    const std::uint64_t saved = newest_entry(db);
    double best_merge = 1e30;
    double best_chunk = 1e30;
    for (int run = 0; run < 15; ++run)
    {
        auto start = Clock::now();
        db.exec_nt(chunk, "");
        best_chunk = std::min(best_chunk, seconds_since(start));

        db.exec(changing_sql(saved, run));
        start = Clock::now();
        merge.merge(db, rows, 5, {saved}, order);
        visible(rows);
        best_merge = std::min(best_merge, seconds_since(start));
    }

    double week = 1e30;
    for (int run = 0; run < 3; ++run)
    {
        const auto start = Clock::now();
        LogLoader loader(db, 1, quiet);
        loader.run();
        sort_summary_rows(loader.rows, order.column, order.forwards);
        visible(loader.rows);
        week = std::min(week, seconds_since(start));
    }
    std::cerr << "merge_after_save: " << best_merge * 1e3 << " ms for one saved entry into " << rows.size()
              << " rows, visible rows rebuilt; one chunk of 50 rows " << best_chunk * 1e3
              << " ms; today's full 7-day reload " << week * 1e3 << " ms" << std::endl;
    return {"merge_after_save", best_merge / best_chunk, "x", 3.0};
}

// A client without windows: its own connection, the 7 days' rows, and the summary window's
// 500 ms take of the announced saves.
class Listener
{
public:
    Listener(VekApplication& app, const std::map<std::uint64_t, Clock::time_point>& commits, std::mutex& commits_mutex)
        : db(std::make_unique<DB>(*app.cfg)), committed(commits), mutex(commits_mutex)
    {
        LogLoader::Observer quiet;
        LogLoader loader(*db, 1, quiet);
        loader.run();
        rows = std::move(loader.rows);
        merge.loaded(rows, 1, loader.window_date, loader.complete);
        sort_summary_rows(rows, order.column, order.forwards);
        merge.sorted_from_load(order);
    }

    void run(const std::atomic<bool>& stop)
    {
        while (! stop)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            const auto changes = db->take_changes();
            if (! changes || changes->empty())
                continue;
            std::vector<std::uint64_t> entries;
            for (const auto& change : *changes)
                entries.push_back(change.entry);
            merge.merge(*db, rows, 1, entries, order);
            visible(rows);
            const auto now = Clock::now();
            const std::lock_guard<std::mutex> lock(mutex);
            for (const auto entry : entries)
                if (const auto found = committed.find(entry); found != committed.end())
                    delays.push_back(std::chrono::duration<double>(now - found->second).count());
        }
    }

    std::unique_ptr<DB> db;
    std::vector<double> delays;

private:
    std::vector<SummaryRow> rows;
    LiveMerge merge;
    const std::map<std::uint64_t, Clock::time_point>& committed;
    std::mutex& mutex;
};

LiveListFigure measure_notify_to_visible(VekApplication& app)
{
    std::map<std::uint64_t, Clock::time_point> commits;
    std::mutex commits_mutex;
    std::vector<std::unique_ptr<Listener>> listeners;
    for (int i = 0; i < 10; ++i)
        listeners.push_back(std::make_unique<Listener>(app, commits, commits_mutex));

    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (auto& listener : listeners)
        threads.emplace_back([&stop, listener = listener.get()] { listener->run(stop); });

    DB writer(*app.cfg);
    const std::uint64_t source = newest_entry(writer);
    const auto start = Clock::now();
    int saves = 0;
    for (; saves < 100; ++saves)
    {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(200 * saves));
        const pqxx::result row = writer.exec1(
            "INSERT INTO vek.logs (motor_id, departments_id, shifts_id, categories_id, problem, action, authors_id, "
            "status_id, last_updated, hours, downtime_reasons_id) SELECT motor_id, departments_id, shifts_id, "
            "categories_id, 'live bench new', '', authors_id, status_id, NOW(), 0, downtime_reasons_id FROM vek.logs "
            "WHERE id = " + std::to_string(source) + " RETURNING id, departments_id");
        const auto id = row[0][0].as<std::uint64_t>();
        {
            const std::lock_guard<std::mutex> lock(commits_mutex);
            commits[id] = Clock::now();
        }
        writer.announce_save(row[0][1].as<std::uint64_t>(), id);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    stop = true;
    for (auto& thread : threads)
        thread.join();

    std::vector<double> delays;
    for (const auto& listener : listeners)
        delays.insert(delays.end(), listener->delays.begin(), listener->delays.end());
    std::sort(delays.begin(), delays.end());
    const std::size_t expected = static_cast<std::size_t>(saves) * listeners.size();
    if (delays.size() != expected)
        std::cerr << "notify_to_visible: " << delays.size() << " of " << expected << " saves reached the listeners"
                  << std::endl;
    if (delays.empty())
        return {"notify_to_visible", 1e9, "s", 1.0};
    const double p95 = delays[std::min(delays.size() - 1, delays.size() * 95 / 100)];
    std::cerr << "notify_to_visible: " << delays.size() << " merges by " << listeners.size() << " listeners of "
              << saves << " saves: median " << delays[delays.size() / 2] * 1e3 << " ms, 95th percentile "
              << p95 * 1e3 << " ms, slowest " << delays.back() * 1e3 << " ms" << std::endl;
    // Missing ones count as never shown.
    return {"notify_to_visible", delays.size() == expected ? p95 : 1e9, "s", 1.0};
}
} // namespace

std::vector<LiveListFigure> measure_live_list(VekApplication& app)
{
    std::vector<LiveListFigure> figures;
    figures.push_back(measure_merge_after_save(app));
    figures.push_back(measure_notify_to_visible(app));
    return figures;
}
