#include "Cfg.h"
#include "DB.h"
#include "TestSupport.h"
#include "UsersReport.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace
{
class UsersReportTest : public ::testing::Test
{
protected:
    void SetUp() override { recorder().reset(); }

    // A session that the report lists under the name.
    std::unique_ptr<pqxx::connection> connect_as(const std::string& name)
    {
        return std::make_unique<pqxx::connection>(sandbox::connection_string(database.name()) + " application_name="
                                                  + name + pid);
    }

    const std::string pid = std::to_string(getpid());
    sandbox::Database database;
};
} // namespace

TEST_F(UsersReportTest, JobSevenListsActiveSessionsAndRecentUsersOnceEachNewestFirst)
{
    std::string sql = "INSERT INTO vek.client_history (username, event, event_timestamp) VALUES "
                      "('skew', 'disconnect', now() + interval '2 hours 30 minutes'), ('bob', 'connect', now())";
    // A minute clear of the day's boundary: the epoch is rounded to the nearest second.
    for (int i = 1; i <= 30; ++i)
        sql += ", ('alice', 'disconnect', now() - interval '3 days' - interval '" + std::to_string(i) + " minutes')";
    for (int k = 11; k <= 24; ++k)
        sql += ", ('u" + std::to_string(k) + "', 'disconnect', now() - interval '" + std::to_string(k - 7) + " days 1 hour')";
    database.execute(sql);
    TestApp test(&database);
    const auto older = connect_as("vek-older-");
    juce::Thread::sleep(20);
    const auto newer = connect_as("vek-newer-");

    test.app.run(VekApplication::job_show_users);
    ASSERT_EQ(recorder().boxes().size(), 1u);
    EXPECT_EQ(recorder().boxes()[0].title, "Talvik Maintenance Logs") << "in both brands";
    EXPECT_FALSE(recorder().boxes()[0].modal);
    const std::string text = recorder().boxes()[0].message;

    // Other tests' clients may be connected to the same server meanwhile.
    EXPECT_EQ(text.rfind("Active user connections:\n\n    - ", 0), 0u) << text;
    const auto newer_line = text.find("\n    - vek-newer-" + pid + ": ");
    EXPECT_LT(newer_line, text.find("\n    - vek-older-" + pid + ": ")) << text;
    EXPECT_NE(read_log().find("active: vek-newer-" + pid + ": 127.0.0.1 - "), std::string::npos);

    std::string recent = "\n\nRecent user connections:\n\n    - skew: in 2 hours\n    - alice: 3 days ago";
    for (int k = 11; k <= 18; ++k)
        recent += "\n    - u" + std::to_string(k) + ": " + std::to_string(k - 7) + " days ago";
    ASSERT_GT(text.size(), recent.size());
    EXPECT_EQ(text.substr(text.size() - recent.size()), recent) << "ten names, alice once, no connect events";
    EXPECT_NE(read_log().find("recent: alice:  - 3 days ago\n"), std::string::npos);
}

TEST_F(UsersReportTest, FailuresAreReportedOnceAndTheProgramGoesOn)
{
    // A failing query is shown by the query layer, and not again.
    database.execute("ALTER TABLE vek.client_history RENAME COLUMN event_timestamp TO event_time");
    {
        TestApp test(&database);
        test.app.run(VekApplication::job_show_users);
    }
    database.execute("ALTER TABLE vek.client_history RENAME COLUMN event_time TO event_timestamp");

    // A role that sees no other role's session start (NULL), and such a session.
    const std::string viewer = "vek_viewer_" + pid;
    database.execute("CREATE ROLE " + viewer + " LOGIN PASSWORD 'Unpr1vileged'; GRANT USAGE ON SCHEMA vek TO " + viewer
                     + "; GRANT INSERT ON vek.client_history TO " + viewer);
    const auto hidden = connect_as("vek-hidden-");
    sandbox::write_client_config(database.name(), "Unpr1vileged", viewer);
    {
        TestApp test;
        test.app.database = std::make_unique<DB>(*test.app.cfg);
        test.app.run(VekApplication::job_show_users);
    }
    database.execute("DROP OWNED BY " + viewer + "; DROP ROLE " + viewer);

    const auto boxes = recorder().boxes();
    ASSERT_EQ(boxes.size(), 2u) << read_log();
    EXPECT_EQ(boxes[0].title, "VEK problem detected!");
    EXPECT_EQ(boxes[1].title, "VEK problem detected!");
    EXPECT_TRUE(recorder().exits().empty()) << "the program goes on";
    const std::string log = read_log();
    EXPECT_NE(log.find("column \"event_timestamp\" does not exist"), std::string::npos);
    EXPECT_NE(log.find("Attempt to convert null"), std::string::npos);
}
