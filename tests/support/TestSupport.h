#pragma once

#include "Interaction.h"
#include "VekApp.h"

#include <juce_core/juce_core.h>
#include <pqxx/pqxx>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class ShiftLogSummaryComponent;

// Stands in for message boxes and process exits: records them and returns at once.
class RecordingInteraction : public Interaction
{
public:
    struct Box
    {
        Icon icon;
        std::string title;
        std::string message;
        std::string button;
        bool modal;
    };

    void show_message_box(Icon icon, const std::string& title, const std::string& message,
                          const std::string& button_text) override;
    void show_message_box_async(Icon icon, const std::string& title, const std::string& message) override;
    void ask_ok_cancel_async(Icon icon, const std::string& title, const std::string& message,
                             std::function<void(bool ok)> answer) override;
    void ask_save_discard_cancel_async(Icon icon, const std::string& title, const std::string& message,
                                       std::function<void(Answer answer)> answer) override;
    void exit_process(int code) override;
    void quit_application() override;

    // Answers the oldest question still open, as a user would; false when none is open.
    bool answer(Answer answer);

    // Called with each box as it is shown, on the showing thread: what a user would see then.
    std::function<void(const Box&)> on_box;

    std::vector<Box> boxes();
    std::vector<int> exits();
    int quits();
    void reset();

private:
    std::mutex mutex;
    std::vector<Box> recorded_boxes;
    std::vector<int> recorded_exits;
    std::vector<std::function<void(Answer)>> open_questions;
    int recorded_quits = 0;
};

// The recorder that every test program puts in place of the real message boxes.
RecordingInteraction& recorder();

// The whole log file of this test process so far.
std::string read_log();

// Pumps the message loop for a while, so that timers and asynchronous calls run.
void pump_messages(int milliseconds);

// Pumps the message loop until the condition holds or the time is up; returns the condition.
template <typename Condition>
bool pump_until(Condition condition, int timeout_milliseconds)
{
    const auto end = juce::Time::getMillisecondCounter() + static_cast<juce::uint32>(timeout_milliseconds);
    while (! condition())
    {
        if (juce::Time::getMillisecondCounter() > end)
            return false;
        pump_messages(10);
    }
    return true;
}

// Lets asynchronous notifications and the reactions they start run their course: `rounds` turns
// of the message loop, each ending when a message posted at its start has been delivered.
void settle_messages(int rounds = 8);

// The throwaway PostgreSQL server that scripts/test starts for the tests.
namespace sandbox
{
std::string host();
std::string port();
std::string user();
std::string password();

// A keyword/value connection string as the superuser-capable test role, to `database`.
std::string connection_string(const std::string& database);

// A fresh database with the schema and nothing else in it, dropped when the object goes. With an
// encoding, one made in it from the schema file (SQL_ASCII: the server keeps any bytes).
class Database
{
public:
    explicit Database(const std::string& encoding = "");
    ~Database();
    const std::string& name() const { return database_name; }
    // A direct connection for arranging and checking data.
    pqxx::connection& admin();
    // Runs statements on the admin connection.
    void execute(const std::string& sql);
    // One value of a query, as text ("" for NULL).
    std::string value(const std::string& sql);

private:
    std::string database_name;
    std::unique_ptr<pqxx::connection> connection;
};

// Writes the five connection keys for `database` into the configuration file of the current
// HOME, keeping other keys that are there.
void write_client_config(const std::string& database, const std::string& password_override = "",
                         const std::string& user_override = "");
} // namespace sandbox

// The site's server-side security (db/site-security.sql) applied to the database.
void apply_site_security(sandbox::Database& database);
// A person's own login in the group (vek_crew or vek_admin), named after the database and the
// kind, that may take the roles (ids, comma-separated); dropped with the database.
std::string site_login(sandbox::Database& database, const std::string& kind, const std::string& group,
                       const std::string& roles);
constexpr const char* site_password = "Own-Pa55word";

// A small, known site: 4 departments, 3 roles, statuses, equipment and a few log entries.
//  departments: 1 Planer Mill (PM), 2 Sawmill (SM), 3 Boiler House (BH), 4 Yard (YD)
//  roles: 1 Supervisors (all four), 2 Planer Crew (1, 2), 3 Yard Crew (1, 2, 4), 4 Visitors (none)
void load_sample_site(sandbox::Database& database);

// An application object for a test, with its configuration in the test's home and, on request,
// connected to a sandbox database.
class TestApp
{
public:
    explicit TestApp(sandbox::Database* database = nullptr);
    ~TestApp();

    VekApplication app;

    // Fills the store with the start-up load, in its window.
    void load_store();

    // Fills the store, opens the summary window for a role and waits for its first load.
    ShiftLogSummaryComponent& open_summary(std::uint64_t role);
};

// Python's http.server serving a folder of its own on loopback, for the web look-ups.
class LocalWebServer
{
public:
    // Throws std::runtime_error when the server does not come up.
    LocalWebServer();
    ~LocalWebServer();

    // "http://127.0.0.1:" and the port.
    std::string address() const;

    // Writes a file below the served folder (creating its folders), or removes one.
    void put(const std::string& path, const std::string& content);
    void remove(const std::string& path);

private:
    juce::File folder;
    juce::ChildProcess process;
    std::string port;
};

// Puts an executable shell script named `name` into a folder at the front of PATH, where it
// stands in for the real program in this process and the processes it starts.
void put_fake_program(const std::string& name, const std::string& script);
