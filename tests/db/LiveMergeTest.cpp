#include "DB.h"
#include "LiveListener.h"
#include "LiveMerge.h"
#include "LogLoader.h"
#include "SampleLogs.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace
{
// A row as the table shows it, but for the ages, which are read again with every read.
std::string shown(const SummaryRow& row)
{
    std::string text = std::to_string(row.id) + " " + std::to_string(row.hours) + " " + std::to_string(row.epoch_updated)
                       + " " + std::to_string(row.epoch_start) + " " + std::to_string(row.epoch_end);
    for (int cell = 1; cell < SummaryRow::cell_count; ++cell)
        if (cell != 4 && cell != 6 && cell != 8)
            text += "|" + std::string(row.cell(cell));
    return text;
}

std::vector<std::string> shown(const std::vector<SummaryRow>& rows)
{
    std::vector<std::string> texts;
    for (const auto& row : rows)
        texts.push_back(shown(row));
    return texts;
}

class LiveMerging : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recorder().reset();
        load_sample_site(database);
        add_sample_logs(database, 400); // one an hour: 16 days back
        test.load_store();
        test.app.current_role_id = 3;   // Yard Crew: departments 1, 2 and 4, not 3
    }

    std::vector<SummaryRow> full_load(int period, LiveMerge* merge = nullptr)
    {
        LogLoader::Observer quiet;
        LogLoader loader(*test.app.database, period, quiet);
        loader.run();
        if (merge != nullptr)
            merge->loaded(loader.rows, period, loader.window_date, loader.complete);
        return std::move(loader.rows);
    }

    // The announced entries of the role's departments, once the server has delivered `expected`.
    std::vector<std::uint64_t> announced(std::size_t expected)
    {
        std::vector<std::uint64_t> entries;
        std::size_t seen = 0;
        pump_until(
            [&] {
                if (const auto changes = test.app.database->take_changes())
                    for (const auto& change : *changes)
                    {
                        ++seen;
                        if (change.department != 3)
                            entries.push_back(change.entry);
                    }
                return seen >= expected;
            },
            5000);
        EXPECT_EQ(seen, expected) << "every announcement arrives, and only once";
        return entries;
    }

    sandbox::Database database;
    TestApp test{&database};
};
} // namespace

TEST_F(LiveMerging, RandomSavesOfThreeClientsMergeIntoWhatAFullLoadReads)
{
    std::vector<std::unique_ptr<pqxx::connection>> writers;
    for (int i = 0; i < 3; ++i)
        writers.push_back(std::make_unique<pqxx::connection>(sandbox::connection_string(database.name())));
    const unsigned seed = std::random_device()();
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    const auto any_id = [&] {
        return database.value("SELECT id FROM vek.logs ORDER BY random() LIMIT 1");
    };

    LiveMerge merge;
    std::vector<SummaryRow> rows = full_load(4, &merge);
    ASSERT_TRUE(merge.can_merge(4));
    for (int round = 0; round < 12; ++round)
    {
        std::size_t notified = 0;
        for (int save = 0; save < 6; ++save)
        {
            pqxx::nontransaction work(*writers[random() % 3]);
            const int department = 1 + static_cast<int>(random() % 4);
            const int kind = static_cast<int>(random() % 4);
            std::string id;
            if (kind == 0) // a new entry, numbered in a second step as the editor does
            {
                id = work.exec1("INSERT INTO vek.logs (motor_id, departments_id, shifts_id, categories_id, problem, "
                                "authors_id, status_id, last_updated, downtime_reasons_id) VALUES (1, "
                                + std::to_string(department) + ", 1, 1, 'new " + std::to_string(round) + "', 1, 1, "
                                "NOW(), 1) RETURNING id")[0]
                         .c_str();
                work.exec("UPDATE vek.logs SET display_number = (SELECT COALESCE(MAX(display_number), 0) + 1 FROM "
                          "vek.logs WHERE departments_id = " + std::to_string(department) + ") WHERE id = " + id);
            }
            else if (kind == 1) // any entry, also an old one outside the window, changed
            {
                id = any_id();
                work.exec("UPDATE vek.logs SET problem = 'changed " + std::to_string(round)
                          + "', hours = 2.5, last_updated = NOW() WHERE id = " + id);
            }
            else if (kind == 2) // closed
            {
                id = any_id();
                work.exec("UPDATE vek.logs SET status_id = 2, action = 'done', hours = 1, timestamp_end = NOW(), "
                          "last_updated = NOW() WHERE id = " + id);
            }
            else // reopened: the old entries come back into the window too
            {
                id = any_id();
                work.exec("UPDATE vek.logs SET status_id = 1, timestamp_end = NULL, last_updated = NOW() WHERE id = "
                          + id);
            }
            // Most clients announce their saves; an older one does not, and the merge reads it anyway.
            if (random() % 5 != 0)
            {
                const std::string department_of
                    = work.exec1("SELECT departments_id FROM vek.logs WHERE id = " + id)[0].c_str();
                work.exec(LiveListener::notify_sql(std::stoull(department_of), std::stoull(id)));
                ++notified;
            }
        }
        merge.merge(*test.app.database, rows, 4, announced(notified));
        const std::vector<SummaryRow> loaded = full_load(4);
        ASSERT_EQ(shown(rows), shown(loaded)) << "round " << round << ": row for row, cell for cell";
    }

    // The editor's merge after a save: the last 7 days out of the year loaded.
    const std::size_t year = rows.size();
    const auto outcome = merge.merge(*test.app.database, rows, 1, {});
    const std::vector<SummaryRow> week = full_load(1);
    EXPECT_EQ(outcome.dropped, year - week.size()) << "the older entries leave";
    EXPECT_GT(outcome.dropped, 0u);
    EXPECT_EQ(shown(rows), shown(week)) << "the 7 days' reload, row for row";
    EXPECT_TRUE(merge.can_merge(1));
    EXPECT_FALSE(merge.can_merge(2)) << "a week holds no month";
}

TEST_F(LiveMerging, MergingMarksOnlyWhatChangedAndNeedsAWholeWindow)
{
    LiveMerge merge;
    EXPECT_FALSE(merge.can_merge(1)) << "nothing loaded yet";
    std::vector<SummaryRow> rows = full_load(1, &merge);
    EXPECT_TRUE(merge.can_merge(1));
    const std::uint64_t first = rows.back().id;
    const auto unchanged = merge.merge(*test.app.database, rows, 1, {first});
    EXPECT_TRUE(unchanged.changed.empty()) << "a row read again as it was is no change";

    database.execute("UPDATE vek.logs SET problem = 'moved on', last_updated = NOW() WHERE id = "
                     + std::to_string(first));
    const auto changed = merge.merge(*test.app.database, rows, 1, {});
    EXPECT_EQ(changed.changed, std::vector<std::uint64_t>{first}) << "found by its change time alone";

    class StopAtOnce : public LogLoader::Observer
    {
        bool should_stop() override { return true; }
    } stop;
    LogLoader stopped(*test.app.database, 5, stop);
    stopped.run();
    merge.loaded(stopped.rows, 5, stopped.window_date, stopped.complete);
    EXPECT_FALSE(merge.can_merge(1)) << "a load stopped early holds no whole window";
}

TEST_F(LiveMerging, ListenerTakesOtherSessionsAnnouncementsAndListensAgainAfterAReconnection)
{
    DB& db = *test.app.database;
    ASSERT_TRUE(db.listening());
    pqxx::connection other(sandbox::connection_string(database.name()));
    pqxx::nontransaction(other).exec(LiveListener::notify_sql(4, 77));
    db.announce_save(1, 78);
    EXPECT_EQ(announced(1), std::vector<std::uint64_t>{77}) << "not its own announcement";

    db.adopt_session(db.open_session());
    pqxx::nontransaction(other).exec(LiveListener::notify_sql(2, 79) + "; NOTIFY vek_logs, 'nonsense'");
    EXPECT_EQ(announced(1), std::vector<std::uint64_t>{79}) << "the new session listens too";

    LiveListener::Change change;
    EXPECT_TRUE(LiveListener::parse("3 12", change));
    EXPECT_EQ(change.department, 3u);
    EXPECT_EQ(change.entry, 12u);
    for (const char* bad : {"", "3", "3 x", "3 12 5", "-3 12"})
        EXPECT_FALSE(LiveListener::parse(bad, change)) << "\"" << bad << "\"";
}
