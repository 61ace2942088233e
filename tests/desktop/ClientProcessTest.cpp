#include "Cfg.h"
#include "SampleLogs.h"
#include "TestProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <regex>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
// The real client in its own process.
class Client : public TestProcess
{
public:
    Client() : TestProcess(VEK_CLIENT_PATH) {}
};

class ClientProcess : public ::testing::Test
{
protected:
    void SetUp() override { recorder().reset(); }
};
} // namespace

TEST_F(ClientProcess, ServerDownGivesOneDialogAndExitCodeOne)
{
    {
        Cfg cfg;
        cfg.setValue("database_address", "127.0.0.1");
        cfg.setValue("database_port", "1");
    }
    Client client;
    ASSERT_GT(client.pid, 0);

    const std::string dialog = client.window_named("VEK problem detected!", 15000);
    ASSERT_FALSE(dialog.empty()) << "the error dialog appears";
    // The dialog may take a moment before it takes keys; press its button until the client ends.
    int code = -1;
    for (int attempt = 0; attempt < 5 && code < 0; ++attempt)
    {
        pump_messages(300);
        const std::string current = client.window_named("VEK problem detected!", 3000);
        output_of({"xdotool", "windowactivate", "--sync", current, "key", "--clearmodifiers", "Return"});
        code = client.exit_code(3000);
    }
    EXPECT_EQ(code, 1);

    const std::string log = read_log();
    const std::regex start("^\n-{37}\n\\w{3} \\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} starting Talvik Maintenance Logs "
                           "v1\\.2\\.1-3304\n\\w{3} [-0-9]{10} [:0-9]{8} running job #1: \"initialize and load\"\n");
    EXPECT_TRUE(std::regex_search(log, start)) << log.substr(0, 300);
    EXPECT_NE(log.find("broken_connection"), std::string::npos);
}

TEST_F(ClientProcess, ClosingTheSummaryWindowEndsCleanly)
{
    sandbox::Database database;
    load_sample_site(database);
    add_sample_logs(database, 60);
    sandbox::write_client_config(database.name());
    {
        Cfg cfg;
        cfg.setValue("role_id", "1");
    }

    Client client;
    ASSERT_GT(client.pid, 0);
    const std::string window = client.window_named("Supervisors Maintenance Logs", 20000);
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(pump_until([] { return read_log().find("text filter is blank") != std::string::npos; }, 15000));

    // As a user would: the window manager's close request. The window ignores it while a load
    // holds it disabled, so it is asked again until the client ends.
    int code = -1;
    for (int attempt = 0; attempt < 5 && code < 0; ++attempt)
    {
        const std::string current = client.window_named("Supervisors Maintenance Logs", 3000);
        output_of({"wmctrl", "-i", "-c", "0x" + juce::String::toHexString(juce::String(current).getLargeIntValue())});
        code = client.exit_code(3000);
    }
    EXPECT_EQ(code, 0);

    EXPECT_EQ(database.value("SELECT count(*) FROM vek.client_history WHERE event = 'connect' AND description = "
                             "'client start'"),
              "1");
    EXPECT_EQ(database.value("SELECT count(*) FROM vek.client_history WHERE event = 'disconnect' AND description = "
                             "'client stop'"),
              "1");
    const std::string log = read_log();
    EXPECT_NE(log.find("running job #8: \"shutdown\""), std::string::npos);
    EXPECT_LT(log.find("running job #8"), log.find("shutting down Talvik Maintenance Logs"));

    Cfg cfg;
    for (const char* key : {"ShiftLogSummaryWnd", "ShiftLogSummaryTableHeaders", "ShiftLogSummaryFilter", "ExactMatch",
                            "timezone", "number_of_items_to_load"})
        EXPECT_TRUE(cfg.containsKey(key)) << key;
}

TEST_F(ClientProcess, SigtermQuitsTheWayClosingTheWindowDoes)
{
    sandbox::Database database;
    load_sample_site(database);
    sandbox::write_client_config(database.name());
    // A message of the day, whose box nobody closes: it holds nothing up.
    LocalWebServer server;
    server.put("vek/motd.txt", "Boiler inspection on Friday.\n");
    {
        Cfg cfg;
        cfg.setValue("role_id", "1");
        cfg.setValue(Cfg::web_server_key, juce::String(server.address()));
    }

    Client client;
    ASSERT_FALSE(client.window_named("Supervisors Maintenance Logs", 20000).empty());
    EXPECT_NE(read_log().find("MOTD: Boiler inspection on Friday."), std::string::npos) << "its box is up";
    ASSERT_TRUE(pump_until([] { return read_log().find("text filter is blank") != std::string::npos; }, 15000));
    // A change of the last seconds, which nothing has written yet.
    const std::string window = client.window_named("Supervisors Maintenance Logs", 3000);
    output_of({"xdotool", "windowsize", "--sync", window, "913", "677"});
    pump_messages(300);

    client.signal(SIGTERM);
    EXPECT_EQ(client.exit_code(5000), 0) << "a normal end, within a few seconds";

    const std::string log = read_log();
    EXPECT_NE(log.find(" received SIGTERM: quitting\n"), std::string::npos);
    EXPECT_NE(log.find(" shutting down Talvik Maintenance Logs\n"), std::string::npos);
    EXPECT_EQ(database.value("SELECT count(*) FROM vek.client_history WHERE event = 'disconnect' AND description = "
                             "'client stop'"),
              "1");
    Cfg cfg;
    EXPECT_TRUE(cfg.getValue("ShiftLogSummaryWnd").contains(" 913 677")) << cfg.getValue("ShiftLogSummaryWnd");
}

TEST_F(ClientProcess, DownloadPageAnsweredDuringStartupEndsCleanlyAfterIt)
{
    sandbox::Database database;
    load_sample_site(database);
    sandbox::write_client_config(database.name());
    LocalWebServer server;
    server.put("vek/download/index.html", "<a href=\"vek-1.2.2-3410-win64.exe\">new</a>\n");
    {
        Cfg cfg;
        cfg.setValue(Cfg::web_server_key, juce::String(server.address()));
        cfg.setValue("role_id", "1"); // the summary window loads in a progress window of its own
    }
    // Slow messages of the day keep the start-up window up while the question is answered.
    const std::string temp = juce::File::getSpecialLocation(juce::File::tempDirectory).getFullPathName().toStdString();
    put_fake_program("curl", "case \"$*\" in *motd*) sleep 4 ;; esac\nexec " + output_of({"sh", "-c", "command -v curl"})
                                 + " \"$@\"");
    put_fake_program("xdg-open", "printf '%s' \"$1\" > \"" + temp + "/opened\"");

    Client client;
    ASSERT_FALSE(client.window_named("This version is out of date!", 20000).empty());
    ASSERT_TRUE(pump_until(
        [&] {
            const std::string box = client.window_named("This version is out of date!", 1000);
            output_of({"xdotool", "windowactivate", "--sync", box, "key", "--clearmodifiers", "Return"});
            return read_log().find("exiting since the download page has been opened") != std::string::npos;
        },
        6000));
    EXPECT_EQ(client.exit_code(30000), 0) << "the program ends by itself once the start-up is over";

    const std::string log = read_log();
    const std::string listing = server.address() + "/vek/download/?C=M;O=D";
    EXPECT_LT(log.find("exiting since the download page"), log.find("running job #2")) << "answered during start-up";
    // The summary's load may begin before the quit takes effect, or be skipped; one that began ends first.
    if (log.find("database loading progress thread has started") != std::string::npos)
    {
        EXPECT_LT(log.find("database loading progress thread has finished"),
                  log.find("shutting down Talvik Maintenance"));
    }
    EXPECT_NE(log.find("shutting down Talvik Maintenance"), std::string::npos);
    EXPECT_NE(log.find("opening download page " + listing), std::string::npos);
    EXPECT_EQ(juce::File(temp + "/opened").loadFileAsString().toStdString(), listing);
    EXPECT_EQ(database.value("SELECT count(*) FROM vek.client_history WHERE description = 'client stop'"), "1");
}
