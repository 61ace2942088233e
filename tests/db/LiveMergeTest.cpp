#include "DB.h"
#include "LiveListener.h"
#include "LiveMerge.h"
#include "LogLoader.h"
#include "SampleLogs.h"
#include "SummarySort.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace
{
// Rows as the table shows them, but for the ages, which every read computes anew.
std::vector<std::string> shown(const std::vector<SummaryRow>& rows)
{
    std::vector<std::string> texts;
    for (const auto& row : rows)
    {
        std::string text = std::to_string(row.hours) + " " + std::to_string(row.epoch_updated) + " "
                           + std::to_string(row.epoch_start) + " " + std::to_string(row.epoch_end);
        for (int cell = 1; cell < SummaryRow::cell_count; ++cell)
            text += cell == 4 || cell == 6 || cell == 8 ? "|" : "|" + std::string(row.cell(cell));
        texts.push_back(text);
    }
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
        test.app.current_role_id = 3; // Yard Crew: departments 1, 2 and 4, not 3
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

    // The announced entries of the role's departments, once `expected` announcements have come.
    std::vector<std::uint64_t> announced(std::size_t expected)
    {
        std::vector<std::uint64_t> entries;
        std::size_t seen = 0;
        pump_until(
            [&] {
                for (const auto& change : test.app.database->take_changes().value_or(std::vector<LiveListener::Change>{}))
                {
                    ++seen;
                    if (change.department != 3)
                        entries.push_back(change.entry);
                }
                return seen >= expected;
            },
            5000);
        EXPECT_EQ(seen, expected) << "every announcement arrives, once";
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
    // Changes of any entry, old ones and other departments' too: edited, closed, reopened.
    const std::vector<std::string> changes{"problem = 'changed', hours = 2.5",
                                           "status_id = 2, action = 'done', hours = 1, timestamp_end = NOW()",
                                           "status_id = 1, timestamp_end = NULL"};

    const std::vector<LiveMerge::Order> orders{{1, false}, {18, true}, {20, false}, {2, true}, {7, true}};

    LiveMerge merge;
    std::vector<SummaryRow> rows = full_load(4, &merge);
    for (int round = 0; round < 12; ++round)
    {
        std::size_t notified = 0;
        for (int save = 0; save < 6; ++save)
        {
            pqxx::nontransaction work(*writers[random() % 3]);
            std::string id = database.value("SELECT id FROM vek.logs ORDER BY random() LIMIT 1");
            const std::size_t kind = random() % 4;
            if (kind == changes.size()) // a new entry, numbered in a second step as the editor does
            {
                const std::string department = std::to_string(1 + random() % 4);
                id = work.exec1("INSERT INTO vek.logs (motor_id, departments_id, shifts_id, categories_id, problem, "
                                "authors_id, status_id, downtime_reasons_id) VALUES (1, " + department
                                + ", 1, 1, 'new', 1, 1, 1) RETURNING id")[0].c_str();
                work.exec("UPDATE vek.logs SET display_number = (SELECT COALESCE(MAX(display_number), 0) + 1 FROM "
                          "vek.logs WHERE departments_id = " + department + ") WHERE id = " + id);
            }
            else
                work.exec("UPDATE vek.logs SET " + changes[kind] + ", last_updated = NOW() WHERE id = " + id);
            // Most clients announce their saves; the merge reads an older client's anyway.
            if (random() % 5 == 0)
                continue;
            const std::string department = work.exec1("SELECT departments_id FROM vek.logs WHERE id = " + id)[0].c_str();
            work.exec(LiveListener::notify_sql(std::stoull(department), std::stoull(id)));
            ++notified;
        }
        // The table's sort changes now and then: rows sorted otherwise are ordered anew.
        const LiveMerge::Order order = orders[static_cast<std::size_t>(round / 2) % orders.size()];
        merge.merge(*test.app.database, rows, 4, announced(notified), order);
        std::vector<SummaryRow> loaded = full_load(4);
        sort_summary_rows(loaded, order.column, order.forwards);
        ASSERT_EQ(shown(rows), shown(loaded)) << "round " << round << ": row for row, cell for cell";
        // A new session listens again: the next rounds' announcements must all arrive.
        if (round == 5)
            test.app.database->adopt_session(test.app.database->open_session());
    }

    // The merge after a save: the last 7 days out of the year loaded.
    const std::size_t year = rows.size();
    const auto outcome = merge.merge(*test.app.database, rows, 1, {}, {});
    const std::vector<SummaryRow> week = full_load(1);
    EXPECT_GT(outcome.dropped, 0u);
    EXPECT_EQ(outcome.dropped, year - week.size()) << "the older entries leave";
    EXPECT_EQ(shown(rows), shown(week)) << "the 7 days' reload, row for row";
    EXPECT_TRUE(merge.can_merge(1));
    EXPECT_FALSE(merge.can_merge(2)) << "a week holds no month";
}

TEST_F(LiveMerging, OnlyWhatChangedIsMarkedAndOnlyAWholeWindowIsMergedInto)
{
    LiveMerge merge;
    EXPECT_FALSE(merge.can_merge(1)) << "nothing loaded yet";
    std::vector<SummaryRow> rows = full_load(1, &merge);
    const std::uint64_t first = rows.back().id;
    EXPECT_TRUE(merge.merge(*test.app.database, rows, 1, {first}, {}).changed.empty()) << "read again as it was";
    database.execute("UPDATE vek.logs SET problem = 'moved on', last_updated = NOW() WHERE id = " + std::to_string(first));
    EXPECT_EQ(merge.merge(*test.app.database, rows, 1, {}, {}).changed, std::vector<std::uint64_t>{first}) << "a change is";

    struct : LogLoader::Observer
    {
        bool should_stop() override { return true; }
    } stop;
    LogLoader stopped(*test.app.database, 5, stop);
    stopped.run();
    merge.loaded(stopped.rows, 5, stopped.window_date, stopped.complete);
    EXPECT_FALSE(merge.can_merge(1)) << "a load stopped early holds no whole window";
}
