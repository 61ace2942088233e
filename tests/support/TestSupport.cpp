#include "TestSupport.h"

#include "Cfg.h"
#include "DB.h"
#include "AdminWnd.h"
#include "LoadWnd.h"
#include "Log.h"
#include "VekLookAndFeel.h"
#include "RolePickWnd.h"
#include "ShiftLogSummaryWnd.h"

#include <juce_events/juce_events.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

void RecordingInteraction::show_message_box(Icon icon, const std::string& title, const std::string& message,
                                            const std::string& button_text)
{
    const Box box{icon, title, message, button_text, true};
    if (on_box)
        on_box(box);
    const std::lock_guard<std::mutex> lock(mutex);
    recorded_boxes.push_back(box);
}

void RecordingInteraction::show_message_box_async(Icon icon, const std::string& title, const std::string& message)
{
    const std::lock_guard<std::mutex> lock(mutex);
    recorded_boxes.push_back({icon, title, message, "", false});
}

void RecordingInteraction::ask_ok_cancel_async(Icon icon, const std::string& title, const std::string& message,
                                               std::function<void(bool ok)>)
{
    const std::lock_guard<std::mutex> lock(mutex);
    recorded_boxes.push_back({icon, title, message, "OK/Cancel", false});
}

void RecordingInteraction::ask_save_discard_cancel_async(Icon icon, const std::string& title,
                                                         const std::string& message,
                                                         std::function<void(Answer answer)> answer)
{
    const std::lock_guard<std::mutex> lock(mutex);
    recorded_boxes.push_back({icon, title, message, "save/discard/cancel", false});
    open_questions.push_back(std::move(answer));
}

bool RecordingInteraction::answer(Answer given)
{
    std::function<void(Answer)> question;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (open_questions.empty())
            return false;
        question = std::move(open_questions.front());
        open_questions.erase(open_questions.begin());
    }
    if (question)
        question(given);
    return true;
}

void RecordingInteraction::exit_process(int code)
{
    const std::lock_guard<std::mutex> lock(mutex);
    recorded_exits.push_back(code);
}

void RecordingInteraction::quit_application()
{
    const std::lock_guard<std::mutex> lock(mutex);
    ++recorded_quits;
}

std::vector<RecordingInteraction::Box> RecordingInteraction::boxes()
{
    const std::lock_guard<std::mutex> lock(mutex);
    return recorded_boxes;
}

std::vector<int> RecordingInteraction::exits()
{
    const std::lock_guard<std::mutex> lock(mutex);
    return recorded_exits;
}

int RecordingInteraction::quits()
{
    const std::lock_guard<std::mutex> lock(mutex);
    return recorded_quits;
}

void RecordingInteraction::reset()
{
    const std::lock_guard<std::mutex> lock(mutex);
    recorded_boxes.clear();
    recorded_exits.clear();
    recorded_quits = 0;
    open_questions.clear();
    on_box = nullptr;
}

RecordingInteraction& recorder()
{
    static RecordingInteraction instance;
    return instance;
}

std::string read_log()
{
    std::ifstream file(log_path(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void pump_messages(int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil(milliseconds);
}

void settle_messages(int rounds)
{
    for (int round = 0; round < rounds; ++round)
    {
        auto arrived = std::make_shared<std::atomic<bool>>(false);
        juce::MessageManager::callAsync([arrived] { *arrived = true; });
        if (! pump_until([&arrived] { return arrived->load(); }, 5000))
            return;
    }
}

namespace sandbox
{
namespace
{
std::string required_env(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        throw std::runtime_error(std::string("the test database is not available: ") + name
                                 + " is not set (run the tests with scripts/test)");
    return value;
}

std::string quoted(const std::string& value)
{
    std::string result = "'";
    for (const char c : value)
    {
        if (c == '\'' || c == '\\')
            result += '\\';
        result += c;
    }
    return result + "'";
}
} // namespace

std::string host()
{
    return required_env("VEK_DB_HOST");
}

std::string port()
{
    return required_env("VEK_DB_PORT");
}

std::string user()
{
    return required_env("VEK_DB_USER");
}

std::string password()
{
    return required_env("VEK_DB_PASSWORD");
}

std::string connection_string(const std::string& database)
{
    return "sslmode=require host=" + quoted(host()) + " port=" + quoted(port()) + " user=" + quoted(user())
           + " password=" + quoted(password()) + " dbname=" + quoted(database);
}

Database::Database(const std::string& encoding)
{
    static std::atomic<int> counter{0};
    database_name = "vek_test_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
    // Never connected to the template itself: a copy needs it to be free of sessions, and tests
    // run side by side.
    pqxx::connection maintenance(connection_string("postgres"));
    pqxx::nontransaction work(maintenance);
    // The sandbox's own database holds the bare schema: a template of it is quick to copy.
    if (encoding.empty())
        work.exec("CREATE DATABASE " + database_name + " TEMPLATE " + required_env("VEK_DB_NAME"));
    else
        work.exec("CREATE DATABASE " + database_name + " ENCODING '" + encoding
                  + "' LC_COLLATE 'C' LC_CTYPE 'C' TEMPLATE template0");
    connection = std::make_unique<pqxx::connection>(connection_string(database_name));
    if (! encoding.empty())
        execute(juce::File(VEK_SCHEMA_SQL).loadFileAsString().toStdString());
}

Database::~Database()
{
    try
    {
        connection.reset();
        pqxx::connection maintenance(connection_string("postgres"));
        pqxx::nontransaction work(maintenance);
        work.exec("DROP DATABASE IF EXISTS " + database_name + " WITH (FORCE)");
        work.exec("DROP ROLE IF EXISTS " + database_name + "_crew, " + database_name + "_admin");
    }
    catch (const std::exception&)
    {
    }
}

pqxx::connection& Database::admin()
{
    return *connection;
}

void Database::execute(const std::string& sql)
{
    pqxx::nontransaction work(*connection);
    work.exec(sql);
}

std::string Database::value(const std::string& sql)
{
    pqxx::nontransaction work(*connection);
    const pqxx::result result = work.exec(sql);
    if (result.empty() || result[0][0].is_null())
        return "";
    return result[0][0].c_str();
}

void write_client_config(const std::string& database, const std::string& password_override,
                         const std::string& user_override)
{
    Cfg cfg;
    cfg.setValue("database_address", juce::String(host()));
    cfg.setValue("database_port", juce::String(port()));
    cfg.setValue("database_username", juce::String(user_override.empty() ? user() : user_override));
    cfg.setValue("database_password",
                 juce::String::fromUTF8((password_override.empty() ? password() : password_override).c_str()));
    cfg.setValue("database_name", juce::String(database));
    cfg.saveIfNeeded();
}
} // namespace sandbox

void load_sample_site(sandbox::Database& database)
{
    database.execute(R"SQL(
INSERT INTO vek.departments (id, name, acronym) OVERRIDING SYSTEM VALUE VALUES
  (1, 'Planer Mill', 'PM'), (2, 'Sawmill', 'SM'), (3, 'Boiler House', 'BH'), (4, 'Yard', 'YD');
INSERT INTO vek.roles (id, name) OVERRIDING SYSTEM VALUE VALUES
  (1, 'Supervisors'), (2, 'Planer Crew'), (3, 'Yard Crew'), (4, 'Visitors');
INSERT INTO vek.roleviews (roles_id, departments_id) VALUES
  (1, 1), (1, 2), (1, 3), (1, 4), (2, 1), (2, 2), (3, 1), (3, 2), (3, 4);
INSERT INTO vek.cost_center (id, name) OVERRIDING SYSTEM VALUE VALUES (1, 'Planing'), (2, 'Sawing'), (3, 'Energy');
INSERT INTO vek.process (id, name, cost_center_id) OVERRIDING SYSTEM VALUE VALUES
  (1, 'Infeed', 1), (2, 'Headrig', 2), (3, 'Boiler', 3);
INSERT INTO vek.motors (id, mid, description, process_id) OVERRIDING SYSTEM VALUE VALUES
  (1, 'PM-CV-101', 'Infeed conveyor', 1), (2, 'SM-HR-201', 'Headrig carriage', 2), (3, 'BH-FW-301', 'Feedwater pump', 3);
INSERT INTO vek.employees (id, first_name, last_name, active, departments_id) OVERRIDING SYSTEM VALUE VALUES
  (1, 'Jane', 'Doe', true, 1), (2, 'Ravi', 'Patel', true, 2), (3, 'Old', 'Timer', false, 3);
INSERT INTO vek.shifts (id, name) OVERRIDING SYSTEM VALUE VALUES (1, 'Day'), (2, 'Night');
INSERT INTO vek.categories (id, name, departments_id) OVERRIDING SYSTEM VALUE VALUES
  (1, 'Electrical', 1), (2, 'Mechanical', 1), (3, 'Mechanical', 2);
INSERT INTO vek.status (id, name) OVERRIDING SYSTEM VALUE VALUES (1, 'open'), (2, 'closed'), (3, 'waiting for parts');
INSERT INTO vek.downtime_reasons (id, name, departments_id) OVERRIDING SYSTEM VALUE VALUES (1, 'Breakdown', 1);
SELECT setval(pg_get_serial_sequence('vek.' || t, 'id'), 100)
  FROM unnest(ARRAY['departments','roles','cost_center','process','motors','employees','shifts','categories','status','downtime_reasons']) AS t;
)SQL");
}

void apply_site_security(sandbox::Database& database)
{
    database.execute(juce::File(VEK_SOURCE_DIR "/db/site-security.sql").loadFileAsString().toStdString());
}

std::string site_login(sandbox::Database& database, const std::string& kind, const std::string& group,
                       const std::string& roles)
{
    const std::string name = database.name() + "_" + kind;
    database.execute("CREATE ROLE " + name + " LOGIN PASSWORD '" + site_password + "' IN ROLE " + group
                     + "; INSERT INTO vek.login_roles SELECT '" + name + "', unnest(ARRAY[" + roles + "]::bigint[])");
    return name;
}

TestApp::TestApp(sandbox::Database* database)
{
    app.look_and_feel = install_look_and_feel();
    if (database != nullptr)
        sandbox::write_client_config(database->name());
    app.cfg = std::make_unique<Cfg>();
    if (database != nullptr)
        app.database = std::make_unique<DB>(*app.cfg);
}

TestApp::~TestApp()
{
    app.summary_window.reset();
    app.role_pick_window.reset();
    app.admin_window.reset();
    uninstall_look_and_feel();
}

void TestApp::load_store()
{
    LoadWnd window;
    window.runThread(juce::Thread::Priority::normal);
    if (! window.success)
        throw std::runtime_error("the start-up load failed; see the log");
}

LocalWebServer::LocalWebServer()
    : folder(juce::File::getSpecialLocation(juce::File::tempDirectory).getNonexistentChildFile("web", ""))
{
    folder.createDirectory();
    process.start(juce::StringArray{"python3", "-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory",
                                    folder.getFullPathName()},
                  juce::ChildProcess::wantStdOut);
    // Its first line names the port: Serving HTTP on 127.0.0.1 port 41234 (... Read a byte at a
    // time: a longer read waits until that much has come.
    std::string output;
    char byte = 0;
    while (output.find('\n') == std::string::npos && process.readProcessOutput(&byte, 1) == 1)
        output += byte;
    const auto at = output.find(" port ");
    if (at == std::string::npos)
        throw std::runtime_error("python3 -m http.server did not start: " + output);
    port = std::to_string(std::stoi(output.substr(at + 6)));
}

LocalWebServer::~LocalWebServer()
{
    process.kill();
    folder.deleteRecursively();
}

std::string LocalWebServer::address() const
{
    return "http://127.0.0.1:" + port;
}

void LocalWebServer::put(const std::string& path, const std::string& content)
{
    folder.getChildFile(path).getParentDirectory().createDirectory();
    folder.getChildFile(path).replaceWithData(content.data(), content.size());
}

void LocalWebServer::remove(const std::string& path)
{
    folder.getChildFile(path).deleteFile();
}

void put_fake_program(const std::string& name, const std::string& script)
{
    const juce::File bin = juce::File::getSpecialLocation(juce::File::tempDirectory).getChildFile("fake-bin");
    const juce::String path = bin.getFullPathName() + ":" + juce::String(std::getenv("PATH"));
    if (bin.createDirectory() && ! juce::String(std::getenv("PATH")).startsWith(bin.getFullPathName() + ":"))
        setenv("PATH", path.toRawUTF8(), 1);
    const juce::File program = bin.getChildFile(name);
    program.replaceWithText("#!/bin/sh\n" + juce::String::fromUTF8(script.c_str()) + "\n", false, false, nullptr);
    program.setExecutePermission(true);
}

ShiftLogSummaryComponent& TestApp::open_summary(std::uint64_t role)
{
    load_store();
    app.current_role_id = role;
    app.run(VekApplication::job_shift_log_summary_window);
    auto& component = app.summary_window->component;
    if (! pump_until([&] { return component.isEnabled() && component.model_attached(); }, 10000))
        throw std::runtime_error("the summary window's first load did not finish");
    return component;
}
