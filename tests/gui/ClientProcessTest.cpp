#include "Cfg.h"
#include "SampleLogs.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <regex>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
std::string output_of(const juce::StringArray& command)
{
    juce::ChildProcess tool;
    if (! tool.start(command))
        return "";
    return tool.readAllProcessOutput().trim().toStdString();
}

// The real client in its own process, on the test's display, home and log folder.
class Client
{
public:
    Client()
    {
        pid = fork();
        if (pid == 0)
        {
            execl(VEK_CLIENT_PATH, VEK_CLIENT_PATH, static_cast<char*>(nullptr));
            _exit(127);
        }
    }

    ~Client()
    {
        if (pid > 0 && ! finished)
        {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }

    // The id of this client's visible window whose title contains the text; empty once the time
    // is up. Ask again before using it: a window may be replaced by a new one of the same title.
    std::string window_named(const std::string& title, int timeout_ms) const
    {
        std::string found;
        pump_until(
            [&] {
                found = output_of(
                    {"xdotool", "search", "--onlyvisible", "--pid", juce::String(pid), "--name", title});
                found = found.substr(0, found.find('\n'));
                return ! found.empty();
            },
            timeout_ms);
        return found;
    }

    // The exit code, or -1 when the client is still running after the time.
    int exit_code(int timeout_ms)
    {
        int status = 0;
        const bool ended = pump_until([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeout_ms);
        if (! ended)
            return -1;
        finished = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    pid_t pid = -1;

private:
    bool finished = false;
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
