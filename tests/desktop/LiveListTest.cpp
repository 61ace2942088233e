#include "Cfg.h"
#include "TestProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <regex>
#include <string>

namespace
{
// The milliseconds of the first logged line that matches `pattern` (ending in "at (\\d+)"), -1 if none.
long long logged_at(const std::string& log, const std::string& pattern)
{
    std::smatch match;
    return std::regex_search(log, match, std::regex(pattern)) ? std::stoll(match[1]) : -1;
}
} // namespace

TEST(LiveList, AnotherClientsNewAndChangedEntriesShowWithinASecondAndTheViewStays)
{
    recorder().reset();
    sandbox::Database database;
    load_sample_site(database);
    database.execute("INSERT INTO vek.logs (id, display_number, motor_id, departments_id, shifts_id, categories_id, "
                     "problem, authors_id, status_id, downtime_reasons_id) OVERRIDING SYSTEM VALUE VALUES "
                     "(1001, 1, 1, 1, 1, 1, 'pump leaks', 1, 1, 1), (1002, 2, 1, 1, 1, 1, 'pump hums', 1, 1, 1), "
                     "(1003, 3, 1, 1, 1, 1, 'pump seal', 1, 1, 1), (1004, 4, 1, 1, 1, 1, 'belt slips', 1, 1, 1)");
    sandbox::write_client_config(database.name());
    {
        Cfg cfg;
        cfg.setValue("role_id", "1");
    }
    const std::vector<std::string> texts{"VEK_PROBE_TEXT=pump", "VEK_PROBE_NEW=pump new from bob",
                                         "VEK_PROBE_CHANGED=pump changed by bob"};
    std::vector<std::string> watching = texts;
    watching.insert(watching.end(), {"VEK_PROBE=watch", "USER=alice"});
    TestProcess alice(VEK_PROBE_PATH, watching);
    ASSERT_TRUE(pump_until([] { return read_log().find("probe watch: ready") != std::string::npos; }, 60000));
    ASSERT_NE(read_log().find("probe watch: ready, filter pump, sort 2 forwards, selected #1001\n"), std::string::npos);

    const juce::File go =
        juce::File::getSpecialLocation(juce::File::tempDirectory).getNonexistentChildFile("vek-probe-go", "");
    std::vector<std::string> saving = texts;
    saving.insert(saving.end(), {"VEK_PROBE=save", "USER=bob", "VEK_PROBE_ENTRY=1001", "VEK_PROBE_SAVES=1",
                                 "VEK_PROBE_CHANGE=1002", "VEK_PROBE_GO=" + go.getFullPathName().toStdString()});
    TestProcess bob(VEK_PROBE_PATH, saving);
    ASSERT_TRUE(pump_until([] { return read_log().find("probe bob: ready") != std::string::npos; }, 60000));
    go.create();
    EXPECT_EQ(bob.exit_code(60000), 0) << "bob saved both";
    go.deleteFile();

    ASSERT_TRUE(pump_until([] { return read_log().find("probe watch: after") != std::string::npos; }, 5000));
    const std::string log = read_log();
    const long long new_shown = logged_at(log, "probe watch: shows #\\d+ PM-5 VEK_PROBE_NEW at (\\d+)");
    const long long changed_shown = logged_at(log, "probe watch: shows #1002 PM-2 VEK_PROBE_CHANGED at (\\d+)");
    ASSERT_GT(new_shown, 0) << "the new entry shows, with its number";
    ASSERT_GT(changed_shown, 0) << "the change shows";
    EXPECT_LE(new_shown - logged_at(log, "probe bob: committed #\\d+ at (\\d+)"), 1000);
    EXPECT_LE(changed_shown - logged_at(log, "probe bob: committed #1002 at (\\d+)"), 1000);
    EXPECT_NE(log.find("probe watch: after, filter pump, sort 2 forwards, selected #1001, modal 0\n"), std::string::npos)
        << "filter, sort and selection as before, and no progress window";
    alice.signal(SIGTERM);
    EXPECT_EQ(alice.exit_code(20000), 0);
}
