#include "Cfg.h"
#include "DB.h"
#include "History.h"
#include "LoadWnd.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace
{
class StartupLoad : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recorder().reset();
        load_sample_site(database);
    }

    // Runs the start-up sequence in its window, as job 1 does.
    bool run_load()
    {
        LoadWnd window;
        window.runThread(juce::Thread::Priority::normal);
        loaded_done = window.done;
        loaded_total = window.total;
        return window.success;
    }

    sandbox::Database database;
    double loaded_done = 0;
    double loaded_total = 0;
};
} // namespace

TEST_F(StartupLoad, FirstStartRecordsConnectSetsZoneAndFillsTheStore)
{
    TestApp test(&database);
    ASSERT_TRUE(run_load());

    EXPECT_EQ(database.value("SELECT username || '|' || version || '|' || coalesce(other_id::text, 'NULL') FROM "
                             "vek.client_history WHERE event = 'connect' AND description = 'client start'"),
              user_identity() + "|1.2.1-3304|NULL");
    EXPECT_EQ(test.app.cfg->get_str("timezone"), "America/Vancouver");
    EXPECT_EQ(test.app.database->exec1("SHOW TIME ZONE")[0][0].as<std::string>(), "America/Vancouver");

    const std::string log = read_log();
    for (const char* line : {"loading: department #1=\"Planer Mill\" (PM)", "loading: role #4=\"Visitors\"",
                             "loading: roleview #", "loading: employee #3=\"Old Timer\" [INACTIVE], in department #3",
                             "loading: motor #1=PM-CV-101 [Infeed conveyor], in process #1",
                             "loading: downtime reason #1=\"Breakdown\", in department #1",
                             "loading: status #3=\"waiting for parts\""})
        EXPECT_NE(log.find(line), std::string::npos) << line;

    EXPECT_EQ(test.app.role_ids, (std::vector<std::uint64_t>{2, 1, 4, 3})) << "roles in name order";
    EXPECT_EQ(test.app.cost_center_ids, (std::vector<std::uint64_t>{3, 1, 2})) << "Energy, Planing, Sawing";
    EXPECT_EQ(test.app.status_ids, (std::vector<std::uint64_t>{1, 2, 3}));
    EXPECT_EQ(test.app.roleviews.size(), 9u);
    EXPECT_EQ(test.app.departments_for_role(3), (std::set<std::uint64_t>{1, 2, 4}));
    EXPECT_EQ(display_number_width.load(), 1u) << "no entries yet";
    EXPECT_TRUE(recorder().boxes().empty());

    // 500 units each for connecting, the revision, the version check, both message-of-the-day
    // addresses (the built-in web server never answers) and the width; one per reference row plus
    // one per row of the three sorted kinds; 1000 to finish.
    const int rows = 4 + 4 + 9 + 3 + 3 + 3 + 3 + 2 + 3 + 1 + 3;
    EXPECT_EQ(loaded_done, 3000 + rows + 9 + 1000);
    EXPECT_EQ(test.app.cfg->getIntValue("number_of_items_to_load", 0), static_cast<int>(loaded_done))
        << "the next start's bar is scaled to this run";
}

TEST_F(StartupLoad, SortedListsCompareBytesAndKeepServerOrderForEqualNames)
{
    database.execute("INSERT INTO vek.cost_center (id, name) VALUES (10, 'apple'), (11, 'Zebra'), (12, 'Same'), "
                     "(13, 'Same');"
                     "INSERT INTO vek.motors (id, mid, description, process_id) VALUES (20, 'AA-1', 'second', 1), "
                     "(21, 'AA-1', 'first', 2);");
    TestApp test(&database);
    ASSERT_TRUE(run_load());

    const auto& ids = test.app.cost_center_ids;
    const auto position = [&ids](std::uint64_t id) { return std::find(ids.begin(), ids.end(), id) - ids.begin(); };
    EXPECT_LT(position(11), position(10)) << "Zebra sorts before apple, byte-wise";
    EXPECT_EQ(position(13), position(12) + 1) << "equal names in the order the server returned them";
    EXPECT_EQ(test.app.motor_ids.front(), 20u);
    EXPECT_EQ(test.app.motor_ids[1], 21u);
}

TEST_F(StartupLoad, SecondStartFinishesTheBarAndKeepsTheEstimate)
{
    {
        TestApp first(&database);
        ASSERT_TRUE(run_load());
    }
    TestApp second(&database);
    const int stored = second.app.cfg->getIntValue("number_of_items_to_load", 0);
    ASSERT_TRUE(run_load());
    EXPECT_EQ(loaded_total, stored);
    EXPECT_EQ(loaded_done, loaded_total) << "the bar fills in ten steps of 100 up to the same total";
}

TEST_F(StartupLoad, ProgressArithmetic)
{
    TestApp test(&database);
    for (const auto& [stored, expected_total] :
         {std::pair<int, double>{0, 500}, std::pair<int, double>{-3, 500}, std::pair<int, double>{50, 50},
          std::pair<int, double>{500, 500}})
    {
        test.app.cfg->setValue("number_of_items_to_load", stored);
        LoadWnd window;
        window.loading(0, "");
        EXPECT_EQ(window.total, expected_total) << "stored " << stored;
        window.loading(0.25, "");
        EXPECT_EQ(window.done, 1) << "the first step counts at least one unit";
        window.loading(500, "Connecting to database...");
        EXPECT_EQ(window.done, 501);
        if (stored == 50)
        {
            test.app.cfg->setValue("number_of_items_to_load", 80);
            window.loading(1, "");
            EXPECT_EQ(window.total, 80) << "a total below 100 is read again at every step";
        }
    }
    EXPECT_NE(read_log().find("update progress bar: 501/500 = 100.2%"), std::string::npos) << read_log();
}

TEST_F(StartupLoad, DisplayNumberWidthComesFromTheHighestNumber)
{
    database.execute("INSERT INTO vek.logs (departments_id, display_number) VALUES (1, 99), (2, 7)");
    TestApp test(&database);
    ASSERT_TRUE(run_load());
    EXPECT_EQ(display_number_width.load(), 3u);
}

TEST_F(StartupLoad, UnknownStoredTimeZoneFallsBackToTheSystemOffset)
{
    TestApp test(&database);
    test.app.cfg->setValue("timezone", "Mars/Olympus_Mons");
    ASSERT_TRUE(run_load());

    const std::string expected = LoadWnd::utc_offset_name(LoadWnd::local_standard_bias_minutes());
    EXPECT_EQ(test.app.cfg->get_str("timezone"), expected) << "the accepted zone replaces the stored one";
    EXPECT_EQ(recorder().boxes().size(), 1u) << "the failed attempt is shown by the query layer";
    const std::string log = read_log();
    EXPECT_NE(log.find("failed to set the timezone using the name \"Mars/Olympus_Mons\""), std::string::npos);
    EXPECT_NE(log.find("timezone has now been set to \"" + expected + "\""), std::string::npos);
}

TEST_F(StartupLoad, RevisionMismatchStopsTheProgram)
{
    for (const auto& [revision, word] : {std::pair<int, const char*>{6, "NEWER"}, std::pair<int, const char*>{8, "OLDER"}})
    {
        recorder().reset();
        database.execute("INSERT INTO vek.database_history (db_version, event_timestamp) VALUES ("
                         + std::to_string(revision) + ", now() + interval '" + std::to_string(revision) + " days')");
        TestApp test(&database);
        EXPECT_FALSE(run_load());

        const auto boxes = recorder().boxes();
        ASSERT_EQ(boxes.size(), 1u) << "only the mismatch box, nothing else";
        EXPECT_EQ(boxes[0].title, "Database Revision Mismatch");
        EXPECT_EQ(boxes[0].button, "Quit from VEK");
        EXPECT_NE(boxes[0].message.find(word), std::string::npos) << boxes[0].message;
        EXPECT_EQ(recorder().exits(), std::vector<int>{1});
        EXPECT_TRUE(test.app.roles.empty()) << "nothing more is loaded";
    }
}

TEST_F(StartupLoad, NullInAReferenceRowEndsTheLoadWithOneReport)
{
    database.execute("ALTER TABLE vek.employees ALTER COLUMN active DROP NOT NULL;"
                     "INSERT INTO vek.employees (first_name, last_name, active, departments_id) VALUES ('No', 'Flag', "
                     "NULL, 1)");
    sandbox::write_client_config(database.name());
    VekApplication app;
    app.run(VekApplication::job_initialize_and_load_number);

    const auto boxes = recorder().boxes();
    ASSERT_EQ(boxes.size(), 2u) << "the conversion error, then the failed load, each once";
    EXPECT_EQ(recorder().exits(), std::vector<int>{1});
    const std::string log = read_log();
    EXPECT_NE(log.find("Function name:      LoadWnd::run"), std::string::npos);
    EXPECT_NE(log.find("The error text is:  Load thread failed to complete."), std::string::npos);
    EXPECT_EQ(app.role_pick_window, nullptr);
    EXPECT_FALSE(app.employees.empty()) << "records read before the bad row stay";
    app.shutdown();
}

TEST_F(StartupLoad, EmptyRevisionHistoryShowsTheRowCountErrorThenEndsTheStartUp)
{
    database.execute("DELETE FROM vek.database_history");
    sandbox::write_client_config(database.name());
    VekApplication app;
    app.run(VekApplication::job_initialize_and_load_number);

    const auto boxes = recorder().boxes();
    ASSERT_EQ(boxes.size(), 2u) << "the cause, then the failed load, each once";
    EXPECT_EQ(recorder().exits(), std::vector<int>{1});
    const std::string log = read_log();
    const auto cause = log.find("The error text is:  Expected a single SQL row result, but got back 0.");
    ASSERT_NE(cause, std::string::npos) << "the cause is logged, not only printed\n" << log;
    EXPECT_LT(cause, log.find("The error text is:  Load thread failed to complete."));
    EXPECT_NE(log.find("text=Expected a single SQL row result, but got back 0."), std::string::npos)
        << "and recorded as a problem";
    app.shutdown();
}

TEST_F(StartupLoad, UnreachableServerEndsJobOneWithOneDialog)
{
    sandbox::write_client_config(database.name());
    {
        Cfg cfg;
        cfg.setValue("database_port", "1");
    }
    VekApplication app;
    app.run(VekApplication::job_initialize_and_load_number);
    EXPECT_EQ(recorder().boxes().size(), 1u);
    EXPECT_EQ(recorder().exits(), std::vector<int>{1});
    EXPECT_NE(read_log().find("pqxx::broken_connection"), std::string::npos) << read_log();
    app.shutdown();
}
