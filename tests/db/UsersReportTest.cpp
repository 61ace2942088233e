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

    // A connection that the report lists under the name.
    std::unique_ptr<pqxx::connection> connect_as(const std::string& application_name)
    {
        return std::make_unique<pqxx::connection>(sandbox::connection_string(database.name())
                                                  + " application_name=" + application_name);
    }

    const std::string pid = std::to_string(getpid());
    sandbox::Database database;
};

// A login role that may record history events but not see other roles' sessions; dropped with
// its privileges at the end.
class UnprivilegedRole
{
public:
    explicit UnprivilegedRole(sandbox::Database& database_) : database(database_)
    {
        database.execute("CREATE ROLE " + name + " LOGIN PASSWORD 'Unpr1vileged'; GRANT USAGE ON SCHEMA vek TO "
                         + name + "; GRANT INSERT ON vek.client_history TO " + name);
    }
    ~UnprivilegedRole()
    {
        try
        {
            database.execute("DROP OWNED BY " + name + "; DROP ROLE " + name);
        }
        catch (const std::exception&)
        {
        }
    }
    const std::string name = "vek_viewer_" + std::to_string(getpid());

private:
    sandbox::Database& database;
};
} // namespace

TEST_F(UsersReportTest, JobSevenListsActiveConnectionsNewestFirst)
{
    TestApp test(&database);
    const auto older = connect_as("vek-older-" + pid);
    juce::Thread::sleep(20);
    const auto newer = connect_as("vek-newer-" + pid);

    test.app.run(VekApplication::job_show_users);
    const auto boxes = recorder().boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Talvik Maintenance Logs") << "in both brands";
    EXPECT_FALSE(boxes[0].modal);
    EXPECT_TRUE(recorder().exits().empty());

    // Other tests' clients may be connected to the same server meanwhile.
    const std::string& text = boxes[0].message;
    EXPECT_EQ(text.rfind("Active user connections:\n\n    - ", 0), 0u) << text;
    const auto newer_line = text.find("\n    - vek-newer-" + pid + ": ");
    const auto older_line = text.find("\n    - vek-older-" + pid + ": ");
    ASSERT_NE(newer_line, std::string::npos) << text;
    ASSERT_NE(older_line, std::string::npos) << text;
    EXPECT_LT(newer_line, older_line) << "newest connection first";
    EXPECT_NE(text.find(" seconds ago", newer_line), std::string::npos);
    EXPECT_NE(read_log().find("active: vek-newer-" + pid + ": 127.0.0.1 - "), std::string::npos);
}

TEST_F(UsersReportTest, RecentUsersOnceEachAtMostTenNewestFirst)
{
    std::string sql = "INSERT INTO vek.client_history (username, event, event_timestamp) VALUES "
                      "('skew', 'disconnect', now() + interval '2 hours 30 minutes'), "
                      "('bob', 'connect', now() - interval '1 day')";
    for (int i = 0; i < 30; ++i)
        sql += ", ('alice', 'disconnect', now() - interval '3 days' - interval '" + std::to_string(i) + " minutes')";
    for (int k = 1; k <= 14; ++k)
        sql += ", ('u" + std::to_string(k + 10) + "', 'disconnect', now() - interval '" + std::to_string(k + 3)
               + " days 1 hour')";
    database.execute(sql);

    TestApp test(&database);
    const std::string text = UsersReport::text(*test.app.database);

    std::string expected = "\n\nRecent user connections:\n"
                           "\n    - skew: in 2 hours"
                           "\n    - alice: 3 days ago";
    for (int k = 1; k <= 8; ++k)
        expected += "\n    - u" + std::to_string(k + 10) + ": " + std::to_string(k + 3) + " days ago";
    ASSERT_GE(text.size(), expected.size());
    EXPECT_EQ(text.substr(text.size() - expected.size()), expected) << text;
    EXPECT_EQ(text.find("bob"), std::string::npos) << "only disconnects";

    const std::string log = read_log();
    EXPECT_NE(log.find("recent: alice:  - 3 days ago\n"), std::string::npos);
    EXPECT_EQ(log.find("recent: alice:", log.find("recent: alice:") + 1), std::string::npos) << "listed once";
    EXPECT_EQ(log.find("recent: u19:"), std::string::npos) << "the eleventh name is not listed";
}

TEST_F(UsersReportTest, FailuresAreReportedOnceAndTheProgramGoesOn)
{
    // A query that fails is shown by the query layer, and not again.
    database.execute("ALTER TABLE vek.client_history RENAME COLUMN event_timestamp TO event_time");
    {
        TestApp test(&database);
        test.app.run(VekApplication::job_show_users);
        ASSERT_EQ(recorder().boxes().size(), 1u) << read_log();
        EXPECT_EQ(recorder().boxes()[0].title, "VEK problem detected!");
        EXPECT_TRUE(recorder().exits().empty()) << "the program goes on";
        EXPECT_NE(read_log().find("event_timestamp"), std::string::npos);
    }
    database.execute("ALTER TABLE vek.client_history RENAME COLUMN event_time TO event_timestamp");

    // A session of another role, whose start time the server hides from this client.
    UnprivilegedRole viewer(database);
    const auto hidden = connect_as("vek-hidden-" + pid);
    sandbox::write_client_config(database.name(), "Unpr1vileged", viewer.name);
    recorder().reset();
    {
        TestApp test;
        test.app.database = std::make_unique<DB>(*test.app.cfg);
        test.app.run(VekApplication::job_show_users);
    }
    ASSERT_EQ(recorder().boxes().size(), 1u) << read_log();
    EXPECT_EQ(recorder().boxes()[0].title, "VEK problem detected!");
    EXPECT_TRUE(recorder().exits().empty()) << "the program goes on";
    EXPECT_NE(read_log().find("Function name:      UsersReport::show"), std::string::npos);
}
