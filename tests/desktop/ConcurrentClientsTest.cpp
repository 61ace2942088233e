#include "Cfg.h"
#include "History.h"
#include "TestProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <signal.h>
#include <string>
#include <vector>

namespace
{
// A client that starts as the real one does, then edits or saves as its environment says. USER
// names it in the log and, as the holder of a record lock, to the other clients.
class ProbeClient : public TestProcess
{
public:
    ProbeClient(const std::string& user, const std::vector<std::string>& settings)
        : TestProcess(VEK_PROBE_PATH, with_user(user, settings))
    {
    }

private:
    static std::vector<std::string> with_user(const std::string& user, std::vector<std::string> settings)
    {
        settings.push_back("USER=" + user);
        return settings;
    }
};

// The clients log in with the database's shared login, or with a crew's own on a site whose
// server decides who may do what.
class ConcurrentClients : public ::testing::TestWithParam<std::string>
{
protected:
    void SetUp() override
    {
        recorder().reset();
        load_sample_site(database);
        database.execute("INSERT INTO vek.logs (id, display_number, motor_id, departments_id, shifts_id, categories_id, "
                         "problem, authors_id, status_id, downtime_reasons_id) OVERRIDING SYSTEM VALUE VALUES "
                         "(1001, 1, 1, 1, 1, 1, 'Belt slips', 1, 1, 1)");
        if (GetParam() == "shared")
            return sandbox::write_client_config(database.name());
        apply_site_security(database);
        sandbox::write_client_config(database.name(), site_password, site_login(database, "crew", "vek_crew", "1"));
    }

    static bool logged(const std::string& text, int timeout_ms)
    {
        return pump_until([&] { return read_log().find(text) != std::string::npos; }, timeout_ms);
    }

    static std::string host() { return juce::SystemStats::getComputerName().toStdString(); }

    sandbox::Database database;
};
} // namespace

INSTANTIATE_TEST_SUITE_P(Logins, ConcurrentClients, ::testing::Values("shared", "crew"),
                         [](const auto& info) { return info.param; });

TEST_P(ConcurrentClients, ALockPassesToTheNextClientOnlyWhenItsHolderIsGone)
{
    const std::vector<std::string> edit{"VEK_PROBE=edit", "VEK_PROBE_ENTRY=1001"};
    auto alice = std::make_unique<ProbeClient>("alice", edit);
    ASSERT_TRUE(logged("probe alice: editor for #1001: locked 1, read-only 0", 60000));
    EXPECT_EQ(database.value("SELECT lock_name FROM vek.logs WHERE id = 1001"), "alice@" + host());

    ProbeClient bob("bob", edit);
    ASSERT_TRUE(logged("probe bob: editor for #1001: locked 0, read-only 1", 60000)) << "the second one only looks";
    const std::string log = read_log();
    EXPECT_NE(log.find("probe box: Maintenance Log Entry #1001 Is Locked!: This maintenance log entry is already "
                       "locked by alice@" + host() + ". This lock was obtained "),
              std::string::npos)
        << "naming the holder and the lock's age";

    // A crash: nothing is released by the client, the server drops the lock with the connection.
    const std::string taken = database.value("SELECT lock_timestamp FROM vek.logs WHERE id = 1001");
    alice->signal(SIGKILL);
    EXPECT_EQ(alice->exit_code(10000), 128 + SIGKILL);
    // Locks of this database only: other tests' databases share the server.
    ASSERT_TRUE(pump_until(
        [&] {
            return database.value("SELECT count(*) FROM pg_locks l JOIN pg_database d ON d.oid = l.database WHERE "
                                  "l.locktype = 'advisory' AND d.datname = current_database()")
                   == "0";
        },
        10000))
        << "the server lets the lock go";
    EXPECT_EQ(database.value("SELECT lock_name FROM vek.logs WHERE id = 1001"), "alice@" + host())
        << "the columns still name the crashed client";

    ProbeClient carol("carol", edit);
    ASSERT_TRUE(logged("probe carol: editor for #1001: locked 1, read-only 0", 60000));
    EXPECT_EQ(database.value("SELECT lock_name FROM vek.logs WHERE id = 1001"), "carol@" + host())
        << "the new holder overwrites them";
    EXPECT_EQ(database.value("SELECT lock_timestamp > '" + taken + "' FROM vek.logs WHERE id = 1001"), "t");

    bob.signal(SIGTERM);
    EXPECT_EQ(bob.exit_code(20000), 0);
    EXPECT_EQ(database.value("SELECT lock_name FROM vek.logs WHERE id = 1001"), "carol@" + host())
        << "a refused editor releases nothing";
    carol.signal(SIGTERM);
    EXPECT_EQ(carol.exit_code(20000), 0);
    EXPECT_EQ(database.value("SELECT count(*) FROM vek.logs WHERE lock_name IS NOT NULL"), "0")
        << "a client that ends normally clears its lock";
}

TEST_P(ConcurrentClients, EightClientsSavingAtOnceNumberADepartmentWithoutGapsOrDuplicates)
{
    database.execute("UPDATE vek.logs SET display_number = NULL");
    const int clients = 8;
    const int saves = 25;
    const juce::File go =
        juce::File::getSpecialLocation(juce::File::tempDirectory).getNonexistentChildFile("vek-probe-go", "");
    std::vector<std::unique_ptr<ProbeClient>> probes;
    for (int i = 0; i < clients; ++i)
        probes.push_back(std::make_unique<ProbeClient>(
            "saver" + std::to_string(i),
            std::vector<std::string>{"VEK_PROBE=save", "VEK_PROBE_ENTRY=1001", "VEK_PROBE_SAVES=" + std::to_string(saves),
                                     "VEK_PROBE_GO=" + go.getFullPathName().toStdString()}));
    for (int i = 0; i < clients; ++i)
        ASSERT_TRUE(logged("probe saver" + std::to_string(i) + ": ready", 90000)) << "client " << i << " starts";
    go.create();

    for (int i = 0; i < clients; ++i)
        EXPECT_EQ(probes[static_cast<std::size_t>(i)]->exit_code(60000), 0) << "client " << i << " saved all";
    go.deleteFile();

    const int total = clients * saves;
    EXPECT_EQ(database.value("SELECT count(*) FROM vek.logs WHERE problem LIKE 'saver%'"), std::to_string(total));
    EXPECT_EQ(database.value("SELECT count(DISTINCT display_number) || ' ' || min(display_number) || ' ' || "
                             "max(display_number) FROM vek.logs WHERE departments_id = 1 AND problem LIKE 'saver%'"),
              std::to_string(total) + " 1 " + std::to_string(total))
        << "numbers 1 to " << total << ", each once";
    EXPECT_EQ(database.value("SELECT count(*) FROM vek.client_history WHERE event = 'save' AND description LIKE "
                             "'assigned display number %'"),
              std::to_string(total));
}
