#include "Cfg.h"
#include "DB.h"
#include "History.h"
#include "Log.h"
#include "SessionKeeper.h"
#include "TestSupport.h"
#include "ZelException.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace
{
std::size_t count_of(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class Connection : public ::testing::Test
{
protected:
    void SetUp() override { recorder().reset(); }
    sandbox::Database database;
};
} // namespace

TEST(ConnectionString, QuotesEveryValue)
{
    EXPECT_EQ(DB::quote_connection_value("a b'c\\d"), "'a b\\'c\\\\d'");
    EXPECT_EQ(DB::quote_connection_value(""), "''");

    Cfg cfg;
    cfg.setValue("database_address", "x host=elsewhere sslmode=disable");
    cfg.setValue("database_port", "5432");
    cfg.setValue("database_username", "vuser");
    cfg.setValue("database_password", "p w");
    cfg.setValue("database_name", "vekdb");
    const std::string text = DB::connection_string(cfg);
    EXPECT_EQ(text.rfind("sslmode=require application_name='vek ", 0), 0u) << text;
    EXPECT_NE(text.find(" host='x host=elsewhere sslmode=disable' port='5432' user='vuser' password='p w' "
                        "dbname='vekdb' client_encoding=UTF8"),
              std::string::npos)
        << text;
}

TEST(ConnectionString, TimeLimitsAndAWritableSessionAmongSeveralServers)
{
    const std::string limits = " connect_timeout=10 keepalives=1 keepalives_idle=30 keepalives_interval=10 keepalives_count=3";
    EXPECT_EQ(DB::session_keywords("db.site", "5432"), limits) << "one server: no choice to make";
    EXPECT_EQ(DB::session_keywords("db1,db2", "5432"), limits + " target_session_attrs=read-write");
    EXPECT_EQ(DB::session_keywords("db", "5432,5433"), limits + " target_session_attrs=read-write");
    EXPECT_EQ(SessionKeeper::pause_ms(1), 1000);
    EXPECT_EQ(SessionKeeper::pause_ms(3), 4000);
    EXPECT_EQ(SessionKeeper::pause_ms(6), 30000) << "growing to 30 s";
    EXPECT_EQ(SessionKeeper::pause_ms(60), 30000);
}

TEST_F(Connection, ConnectsOverSslWithTheApplicationName)
{
    TestApp test(&database);
    const pqxx::result ssl = test.app.database->exec(
        "SELECT ssl, current_setting('application_name'), current_setting('client_encoding') FROM pg_stat_ssl WHERE "
        "pid = pg_backend_pid()");
    ASSERT_EQ(ssl.size(), 1u);
    EXPECT_TRUE(ssl[0][0].as<bool>()) << "the connection is encrypted";
    EXPECT_EQ(ssl[0][1].as<std::string>(), "vek " + user_identity());
    EXPECT_EQ(ssl[0][2].as<std::string>(), "UTF8");
}

TEST_F(Connection, PasswordWithSpaceQuoteAndBackslash)
{
    // A role of its own, so that tests running beside this one keep their password.
    const std::string role = "vek_password_" + std::to_string(getpid());
    const std::string password = "s3cret pa'ss\\word";
    database.execute("CREATE ROLE " + role + " LOGIN SUPERUSER PASSWORD " + database.admin().quote(password));
    struct DropRole
    {
        sandbox::Database& database;
        std::string role;
        ~DropRole() { database.execute("DROP ROLE IF EXISTS " + role); }
    } drop{database, role};

    sandbox::write_client_config(database.name(), password, role);
    {
        Cfg cfg;
        DB db(cfg);
        EXPECT_EQ(db.exec1("SELECT current_user")[0][0].as<std::string>(), role);
        EXPECT_EQ(database.value("SELECT count(*) FROM pg_stat_activity WHERE application_name = 'vek "
                                 + user_identity() + "' AND usename = '" + role + "'"),
                  "1");
    }
}

TEST_F(Connection, ServerWithoutSslIsRefused)
{
    // A peer that answers PostgreSQL's SSL request with "N", as a server without SSL does.
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    socklen_t length = sizeof(address);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    std::thread peer([listener] {
        const int client = accept(listener, nullptr, nullptr);
        char request[8];
        if (client >= 0 && read(client, request, sizeof(request)) == 8)
            (void) write(client, "N", 1);
        if (client >= 0)
            close(client);
    });

    Cfg cfg;
    cfg.setValue("database_address", "127.0.0.1");
    cfg.setValue("database_port", juce::String(ntohs(address.sin_port)));
    EXPECT_THROW(DB db(cfg), pqxx::broken_connection);
    peer.join();
    close(listener);
}

TEST_F(Connection, LoggedQueryWritesTwoLinesAndMovesTheActivityTime)
{
    TestApp test(&database);
    last_database_activity = 0;
    test.app.database->exec("SELECT 1");
    test.app.database->exec1("SELECT 1");
    EXPECT_EQ(last_database_activity.load(), 0) << "plain queries do not count as activity";

    test.app.database->exec_nt("SELECT 1 UNION SELECT 2", "");
    test.app.database->exec_nt("SELECT 3", "three");
    EXPECT_GE(last_database_activity.load(), epoch_now() - 2);

    const std::string log = read_log();
    EXPECT_NE(log.find(" SQL: non-transaction: SELECT 1 UNION SELECT 2\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" SQL: non-transaction: total number of rows in the result: 2\n"), std::string::npos);
    EXPECT_NE(log.find(" SQL: non-transaction: three: SELECT 3\n"), std::string::npos);
    EXPECT_EQ(count_of(log, "SQL: non-transaction: SELECT 1\n"), 0u) << "plain queries are not logged";
}

TEST_F(Connection, PlainQueryFailuresTravelOnToBeReportedByTheirCatcher)
{
    TestApp test(&database);
    for (const auto& [sql, rows] : {std::pair<std::string, int>{"SELECT 1 WHERE false", 0},
                                    std::pair<std::string, int>{"SELECT 1 UNION SELECT 2", 2}})
    {
        try
        {
            test.app.database->exec1(sql);
            ADD_FAILURE() << "expected a failure for " << rows << " rows";
        }
        catch (const Zel::Exception& e)
        {
            EXPECT_EQ(std::string(e.what()),
                      "Expected a single SQL row result, but got back " + std::to_string(rows) + ".");
            EXPECT_EQ(e.sql, sql);
            EXPECT_EQ(e.function_name, "Zel::PQDB::exec1");
            EXPECT_TRUE(e.report_pending) << "nobody has shown the row-count error yet";
            log_and_show_exception(&e, "catcher", 1);
        }
    }
    try
    {
        test.app.database->exec("SELEC plain");
        ADD_FAILURE() << "expected a syntax error";
    }
    catch (const Zel::Exception& e)
    {
        EXPECT_EQ(e.function_name, "Zel::PQDB::exec");
        EXPECT_TRUE(e.report_pending) << "standard output is no report to a desktop user";
        log_and_show_exception(&e, "catcher", 2);
    }

    EXPECT_EQ(recorder().boxes().size(), 3u) << "the catcher shows each plain failure once";
    const std::string log = read_log();
    EXPECT_NE(log.find("Expected a single SQL row result, but got back 0."), std::string::npos) << log;
    EXPECT_NE(log.find("Expected a single SQL row result, but got back 2."), std::string::npos);
    EXPECT_NE(log.find("The SQL query that generated the error is:\nSELEC plain"), std::string::npos);
}

TEST_F(Connection, SyntaxErrorIsReportedOnce)
{
    TestApp test(&database);
    try
    {
        test.app.database->exec_nt("SELEC wrong", "");
        FAIL() << "expected a syntax error";
    }
    catch (const Zel::Exception& e)
    {
        EXPECT_FALSE(e.report_pending);
        EXPECT_EQ(e.sql, "SELEC wrong");
        EXPECT_EQ(e.function_name, "DBNT::exec");
        log_and_show_exception(&e, "outer", 1);
    }
    EXPECT_EQ(recorder().boxes().size(), 1u) << "one dialog, from the query layer";
    EXPECT_EQ(database.value("SELECT count(*) FROM vek.client_history WHERE event = 'problem' AND description LIKE "
                             "'%syntax error%'"),
              "1")
        << "the report's problem row is written once the failed statement is closed";
    const std::string log = read_log();
    const auto failed = log.find("SQL: non-transaction: SELEC wrong\n");
    ASSERT_NE(failed, std::string::npos);
    const std::string next_line = log.substr(log.find('\n', failed) + 1, 200);
    EXPECT_EQ(next_line.find("total number of rows in the result"), std::string::npos)
        << "no row count follows the failed statement: " << next_line;
    EXPECT_NE(log.find("A SQL error occurred."), std::string::npos);
}

TEST_F(Connection, TransactionWithoutCommitLeavesNothing)
{
    TestApp test(&database);
    database.execute("CREATE TABLE public.scratch (n integer)");
    last_database_activity = 0;
    {
        DBT transaction(*test.app.database, "scratch work");
        transaction.exec("INSERT INTO public.scratch VALUES (1)", "first");
        EXPECT_THROW(transaction.exec("INSERT INTO public.scratch VALUES ('x')", ""), Zel::Exception);
    }
    EXPECT_EQ(database.value("SELECT count(*) FROM public.scratch"), "0");
    {
        DBT transaction(*test.app.database, "kept work");
        EXPECT_EQ(transaction.exec1("INSERT INTO public.scratch VALUES (2) RETURNING n", "insert")[0][0].as<int>(), 2);
        transaction.commit();
    }
    EXPECT_EQ(database.value("SELECT count(*) FROM public.scratch"), "1");
    const std::string log = read_log();
    EXPECT_NE(log.find("SQL: scratch work: first: INSERT INTO public.scratch VALUES (1)"), std::string::npos) << log;
    EXPECT_NE(log.find("SQL: kept work: total number of rows in the result: 1"), std::string::npos);
}

TEST_F(Connection, FailedTransactionIsRolledBackBeforeItsBoxIsShown)
{
    TestApp test(&database);
    std::string locks_while_shown;
    recorder().on_box = [&](const RecordingInteraction::Box&) {
        locks_while_shown = database.value("SELECT count(*) FROM pg_locks WHERE relation = 'vek.logs'::regclass AND "
                                           "mode = 'AccessExclusiveLock'");
    };
    {
        DBT transaction(*test.app.database, "numbering");
        transaction.exec("LOCK TABLE vek.logs IN ACCESS EXCLUSIVE MODE", "");
        EXPECT_THROW(transaction.exec1("SELECT 1 WHERE false", "one row"), Zel::Exception);
        EXPECT_EQ(recorder().boxes().size(), 1u) << "shown once";
        EXPECT_EQ(locks_while_shown, "0") << "no other client waits on the table while the box is up";
    }
    EXPECT_EQ(database.value("SELECT count(*) FROM vek.client_history WHERE event = 'problem'"), "1")
        << "the problem row is written after the rollback";
}

TEST_F(Connection, BrokenConnectionStaysBroken)
{
    TestApp test(&database);
    DB& db = *test.app.database;
    db.exec_nt("SELECT pg_advisory_lock(4242)", "");
    database.execute("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = 'vek "
                     + user_identity() + "' AND datname = '" + database.name() + "'");
    recorder().reset();

    EXPECT_THROW(db.exec_nt("SELECT 1", ""), Zel::Exception);
    EXPECT_THROW(db.exec_nt("SELECT 1", ""), Zel::Exception) << "no silent reconnection";
    EXPECT_THROW(db.exec("SELECT 1"), Zel::Exception);
    EXPECT_EQ(database.value("SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND objid = 4242"), "0");
    EXPECT_EQ(recorder().boxes().size(), 2u) << "each failed logged statement is shown once";
}

TEST_F(Connection, HistoryEventsAndTheirGuard)
{
    TestApp test(&database);
    add_history_event(HistoryEvent::save, 1234, "it's saved");
    add_history_event(9, 0, "unknown kind");
    EXPECT_EQ(database.value("SELECT other_id || '|' || event || '|' || description || '|' || version || '|' || "
                             "username FROM vek.client_history WHERE event = 'save'"),
              "1234|save|it's saved|1.2.1-3304|" + user_identity());
    EXPECT_EQ(database.value("SELECT coalesce(other_id::text, 'NULL') || '|' || event FROM vek.client_history WHERE "
                             "description = 'unknown kind'"),
              "NULL|other");

    // With the connection gone, the failed insert is reported, and that report does not start
    // the failing insert again.
    database.execute("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = 'vek "
                     + user_identity() + "' AND datname = '" + database.name() + "'");
    recorder().reset();
    add_history_event(HistoryEvent::connect, 0, "after the connection died");
    EXPECT_EQ(recorder().boxes().size(), 1u) << "one dialog for the failed insert, no endless repetition";
    EXPECT_EQ(count_of(read_log(), "adding database record for event type 'problem'"), 1u);
}
