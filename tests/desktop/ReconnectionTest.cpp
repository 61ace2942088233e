#include "Cfg.h"
#include "DB.h"
#include "EditorWnd.h"
#include "History.h"
#include "ProgressRun.h"
#include "ShiftLogSummaryWnd.h"
#include "TestProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

namespace
{
// A server of the test's own, copied from the shared one or following `primary` as a standby, to
// restart, stop and fail over without disturbing other tests; removed when it goes. `use` points
// the test's databases and clients at it.
class OwnServer
{
public:
    explicit OwnServer(const OwnServer* primary = nullptr)
    {
        if (! command({primary != nullptr ? "standby" : "clone", dir,
                       primary != nullptr ? primary->dir : juce::String(std::getenv("VEK_SANDBOX_DIR"))}))
            throw std::runtime_error("no server of our own in " + dir.toStdString());
        port = juce::File(dir + "/env").loadFileAsString().fromFirstOccurrenceOf("VEK_DB_PORT=", false, false)
                   .upToFirstOccurrenceOf("\n", false, false).toStdString();
    }
    ~OwnServer() { command({"destroy", dir}); }
    void use() const { setenv("VEK_DB_PORT", port.c_str(), 1); }

    bool command(juce::StringArray arguments) const
    {
        arguments.insert(0, VEK_SANDBOX_SCRIPT);
        juce::ChildProcess process;
        return process.start(arguments) && process.waitForProcessToFinish(110000) && process.getExitCode() == 0;
    }

    const juce::String dir = "/tmp/vek-own-" + juce::String::toHexString(juce::Random::getSystemRandom().nextInt());
    std::string port;
};

std::size_t count_of(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// One value of a query on a connection of its own: a restart ends the fixture's.
std::string fresh_value(const std::string& database, const std::string& sql)
{
    pqxx::connection connection(sandbox::connection_string(database));
    const pqxx::result result = pqxx::nontransaction(connection).exec(sql);
    return result.empty() || result[0][0].is_null() ? "" : result[0][0].c_str();
}

const std::string client_locks = "SELECT count(*) FROM pg_locks l JOIN pg_stat_activity a ON a.pid = l.pid WHERE "
                                 "l.locktype = 'advisory' AND a.application_name LIKE 'vek %' AND a.datname = "
                                 "current_database()";

class Reconnection : public ::testing::Test
{
protected:
    void SetUp() override { recorder().reset(); }

    // The sample site with entries 1001 and 1002, on whatever server is in use.
    void make_site()
    {
        database = std::make_unique<sandbox::Database>();
        load_sample_site(*database);
        database->execute("INSERT INTO vek.logs (id, display_number, motor_id, departments_id, shifts_id, "
                          "categories_id, problem, authors_id, status_id, downtime_reasons_id) OVERRIDING SYSTEM VALUE VALUES "
                          "(1001, 1, 1, 1, 1, 1, 'Belt slips', 1, 1, 1), (1002, 2, 1, 1, 1, 1, 'Motor hums', 1, 1, 1)");
        sandbox::write_client_config(database->name());
        Cfg().setValue("role_id", "1");
    }

    void end_client_sessions()
    {
        database->execute("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = 'vek "
                          + user_identity() + "' AND datname = current_database()");
    }

    std::unique_ptr<sandbox::Database> database;
};
} // namespace

TEST_F(Reconnection, ARestartKeepsLocksAndTypedTextAndAServerKeptDownIsWaitedForQuietly)
{
    OwnServer server;
    server.use();
    make_site();
    const juce::File go = juce::File::getSpecialLocation(juce::File::tempDirectory).getChildFile("vek-go");
    TestProcess client(VEK_PROBE_PATH, {"VEK_PROBE=summary", "VEK_PROBE_ENTRY=1002", "USER=alice",
                                        "VEK_PROBE_TEXT=typed while away", "VEK_PROBE_GO=" + go.getFullPathName().toStdString()});
    ASSERT_TRUE(pump_until([] { return read_log().find("probe: editors open, save button enabled 1") != std::string::npos; }, 60000))
        << read_log().substr(read_log().size() - std::min<std::size_t>(read_log().size(), 4000));
    EXPECT_EQ(database->value(client_locks), "2");

    ASSERT_TRUE(server.command({"restart", server.dir}));
    const std::string& name = database->name();
    EXPECT_TRUE(pump_until([&] { return fresh_value(name, client_locks) == "2"; }, 15000)) << "locks again, within 15 s";
    EXPECT_TRUE(pump_until([] { const std::string log = read_log();
        return log.rfind("database loading progress thread has finished") > log.find("session #2"); }, 15000))
        << "the summary loads again";
    go.create();
    EXPECT_TRUE(pump_until([] { return read_log().find("probe: save clicked, saved 1") != std::string::npos; }, 15000));
    go.deleteFile();
    // The reload after the save, and the saved editor's unlock after it, are done before the stop.
    EXPECT_TRUE(pump_until([] { const std::string log = read_log();
        return log.find("pg_advisory_unlock(id) FROM vek.logs WHERE id=1002", log.find("probe: save clicked")) != std::string::npos; }, 15000));
    EXPECT_EQ(fresh_value(name, "SELECT problem FROM vek.logs WHERE id = 1002"), "typed while away");
    EXPECT_EQ(fresh_value(name, "SELECT string_agg(description, '|' ORDER BY id) FROM vek.client_history WHERE "
                                "event = 'connect' OR other_id = 1002"),
              "client start|client reconnection|save existing maintenance log");
    EXPECT_EQ(count_of(read_log(), "notice: The connection to the database was lost at "), 1u) << "one notice";

    ASSERT_TRUE(server.command({"stop", server.dir}));
    const auto cpu_ticks = [&] {
        const juce::StringArray fields = juce::StringArray::fromTokens(juce::File("/proc/" + juce::String(client.pid)
            + "/stat").loadFileAsString().fromLastOccurrenceOf(")", false, false), " ", "");
        return fields[11].getLargeIntValue() + fields[12].getLargeIntValue();
    };
    const auto before = cpu_ticks();
    pump_messages(50000); // long enough for the pause between attempts to reach its longest
    EXPECT_LT(static_cast<double>(cpu_ticks() - before) / (50.0 * sysconf(_SC_CLK_TCK)), 0.05) << "of a core";
    const std::string log = read_log();
    EXPECT_NE(log.find("reconnection failed, next attempt in 30000 ms"), std::string::npos);
    EXPECT_EQ(count_of(log, "notice: The connection to the database was lost at "), 2u) << "one per loss";
    EXPECT_EQ(count_of(log, "probe box:"), 0u) << "and no box";
    client.signal(SIGTERM);
    EXPECT_EQ(client.exit_code(20000), 0);
    EXPECT_TRUE(Cfg().containsKey("ShiftLogSummaryWnd")) << "the configuration is saved";
}

TEST_F(Reconnection, StoppedLoadsAndALockTakenWhileTheSessionWasLost)
{
    make_site();
    TestApp test(database.get());
    ShiftLogSummaryComponent& summary = test.open_summary(1);
    // A department missing from the store is reported once the loading thread lets the connection go.
    const Department planer = test.app.departments.at(1);
    test.app.departments.erase(1);
    recorder().reset();
    summary.load(1);
    test.app.departments[1] = planer;
    EXPECT_EQ(recorder().boxes().size(), 2u) << "the role's list, then the rows, each once";
    EXPECT_NE(read_log().find("Cannot obtain department id #1"), std::string::npos);
    // A load that a lock blocks, stopped: cancelled on the server, the thread ends by itself.
    for (const bool quitting : {false, true})
    {
        pqxx::connection other(sandbox::connection_string(database->name()));
        pqxx::work locker(other);
        locker.exec("LOCK TABLE vek.logs IN ACCESS EXCLUSIVE MODE");
        recorder().reset();
        juce::uint32 stopped_at = 0;
        juce::Timer::callAfterDelay(1000, [&] {
            stopped_at = juce::Time::getMillisecondCounter();
            quitting ? test.app.systemRequestedQuit() : (void) ProgressRun::stop_current(); // as closing, as "Done"
        });
        summary.load(1);
        EXPECT_LT(juce::Time::getMillisecondCounter() - stopped_at, 2000u) << "ended by itself; quitting " << quitting;
        EXPECT_TRUE(recorder().boxes().empty()) << "a stop is no failure";
        EXPECT_EQ(test.app.database->lost_since(), 0) << "the session stays";
        EXPECT_EQ(pump_until([] { return recorder().quits() == 1; }, quitting ? 5000 : 0), quitting);
    }
    EXPECT_EQ(count_of(read_log(), "database loading stopped by the user"), 2u);
    summary.load(1);
    ASSERT_EQ(summary.getNumRows(), 2) << "the connection serves the next load";

    std::vector<EditorComponent*> editors;
    for (int row = 0; row < summary.getNumRows(); ++row)
        summary.open_existing_entry(row);
    for (const std::uint64_t id : {1001, 1002})
        editors.push_back(&summary.editor_for(id)->component);
    EditorComponent& taken = *editors[0];
    taken.problem.setText("typed while away", true);

    end_client_sessions();
    database->execute("SELECT pg_advisory_lock(1001); UPDATE vek.logs SET lock_name = 'bob@elsewhere' WHERE id = 1001");
    EXPECT_FALSE(editors[1]->save_order()) << "fails on the lost session";
    summary.connection_notice.follow_connection();
    EXPECT_TRUE(summary.connection_notice.getText().startsWith("The connection to the database was lost at "));
    EXPECT_TRUE(summary.connection_notice.isVisible());

    ASSERT_TRUE(pump_until([&] { return editors[1]->lock_session == 2; }, 20000)) << "relocked";
    EXPECT_TRUE(taken.is_read_only() && ! taken.is_locked && ! taken.save_button.isEnabled());
    EXPECT_EQ(taken.problem.getText(), "typed while away");
    EXPECT_TRUE(taken.problem.isEnabled() && taken.problem.isReadOnly()) << "selectable for copying";
    std::string locked_box;
    for (const auto& box : recorder().boxes())
        if (box.title == "Maintenance Log Entry #1001 Is Locked!")
            locked_box = box.message;
    EXPECT_NE(locked_box.find("already locked by bob@elsewhere."), std::string::npos) << "naming the holder";
    EXPECT_EQ(database->value(client_locks), "1") << "1002, on the new session";
    EXPECT_TRUE(pump_until([&] { return ! summary.connection_notice.isVisible(); }, 5000));

    // Editors deleted while their unlock fails: the box's modal loop runs the summary's timer.
    for (int row = 0; row < summary.getNumRows(); ++row)
        summary.editor_for(summary.visible_rows[static_cast<std::size_t>(row)]->id)->closeButtonPressed();
    database->execute("CREATE FUNCTION vek.refuse() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RAISE EXCEPTION "
                      "'refused'; END$$; CREATE TRIGGER refuse BEFORE UPDATE ON vek.logs FOR EACH ROW EXECUTE "
                      "FUNCTION vek.refuse()");
    recorder().reset();
    recorder().on_box = [&](const RecordingInteraction::Box&) { summary.timerCallback(); };
    summary.delete_all_editors();
    recorder().on_box = nullptr;
    EXPECT_TRUE(summary.open_editors.empty());
    EXPECT_EQ(recorder().boxes().size(), 1u) << "the refused unlock of 1002, shown";
    EXPECT_EQ(database->value(client_locks), "0") << "its advisory lock released all the same";


    // An unlock that finds the session lost: the server let the lock go with the session.
    database->execute("DROP TRIGGER refuse ON vek.logs");
    for (int row = 0; row < summary.getNumRows(); ++row)
        summary.open_existing_entry(row);
    ASSERT_EQ(database->value(client_locks), "1") << "1002 locked again";
    end_client_sessions();
    recorder().reset();
    summary.delete_all_editors();
    EXPECT_TRUE(recorder().boxes().empty()) << "nothing to show";
    EXPECT_NE(test.app.database->lost_since(), 0) << "the loss noticed all the same";
}

TEST_F(Reconnection, AfterAFailoverTheClientSavesOnThePromotedStandby)
{
    OwnServer primary;
    primary.use();
    make_site();
    OwnServer standby(&primary);
    TestApp test(database.get());
    test.app.cfg->setValue("database_address", "127.0.0.1,127.0.0.1");
    test.app.cfg->setValue("database_port", juce::String(primary.port + "," + standby.port));
    test.app.database = std::make_unique<DB>(*test.app.cfg);
    test.load_store();
    test.app.current_role_id = 1;

    ASSERT_TRUE(primary.command({"stop", primary.dir}) && standby.command({"promote", standby.dir}));
    ASSERT_TRUE(pump_until([&] { return test.app.database->session_number() == 2; }, 30000)) << "within 30 s";
    EditorComponent editor(true);
    editor.load_order(1001, true);
    for (GroupboxWithCombobox* field : std::initializer_list<GroupboxWithCombobox*>{&editor.author, &editor.shift, &editor.status})
        field->select_dbid(1);
    editor.problem.setText("after the failover", false);
    EXPECT_TRUE(editor.save_order());
    standby.use();
    EXPECT_EQ(fresh_value(database->name(), "SELECT display_number || ' ' || NOT pg_is_in_recovery() FROM "
                                            "vek.logs WHERE problem = 'after the failover'"),
              "3 true") << "the next number, on the writable server";
}
