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
// The first logged line that holds the text, from the text to the line's end.
std::string logged_line(const std::string& text, int timeout_ms)
{
    std::string line;
    pump_until(
        [&] {
            const std::string log = read_log();
            const auto at = log.find(text);
            if (at == std::string::npos)
                return false;
            const auto start = log.rfind("probe", at);
            line = log.substr(start, log.find('\n', at) - start);
            return true;
        },
        timeout_ms);
    return line;
}

long long time_in(const std::string& line)
{
    const auto at = line.rfind(" at ");
    return at == std::string::npos ? -1 : std::stoll(line.substr(at + 4));
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
    const std::string ready = logged_line("probe watch: ready", 60000);
    ASSERT_EQ(ready, "probe watch: ready, filter pump, sort 2 forwards, selected #1001");

    const juce::File go =
        juce::File::getSpecialLocation(juce::File::tempDirectory).getNonexistentChildFile("vek-probe-go", "");
    std::vector<std::string> saving = texts;
    saving.insert(saving.end(), {"VEK_PROBE=save", "USER=bob", "VEK_PROBE_ENTRY=1001", "VEK_PROBE_SAVES=1",
                                 "VEK_PROBE_CHANGE=1002", "VEK_PROBE_GO=" + go.getFullPathName().toStdString()});
    TestProcess bob(VEK_PROBE_PATH, saving);
    ASSERT_FALSE(logged_line("probe bob: ready", 60000).empty());
    go.create();
    EXPECT_EQ(bob.exit_code(60000), 0) << "bob saved both";
    go.deleteFile();

    const std::string log = read_log();
    const std::regex committed("probe bob: committed #(\\d+) at (\\d+)");
    std::vector<long long> commits;
    for (std::sregex_iterator it(log.begin(), log.end(), committed), end; it != end; ++it)
        commits.push_back(std::stoll((*it)[2]));
    ASSERT_EQ(commits.size(), 2u);

    const std::string shown_new = logged_line(" VEK_PROBE_NEW at ", 5000);
    const std::string shown_changed = logged_line("probe watch: shows #1002 PM-2 VEK_PROBE_CHANGED", 5000);
    const std::regex new_row("probe watch: shows #(\\d+) PM-5 VEK_PROBE_NEW at \\d+");
    EXPECT_TRUE(std::regex_match(shown_new, new_row)) << shown_new << ": the new entry, with its number";
    EXPECT_LE(time_in(shown_new) - commits[0], 1000) << shown_new;
    ASSERT_FALSE(shown_changed.empty()) << "the change shows";
    EXPECT_LE(time_in(shown_changed) - commits[1], 1000) << shown_changed;
    EXPECT_EQ(logged_line("probe watch: after", 5000),
              "probe watch: after, filter pump, sort 2 forwards, selected #1001, modal 0")
        << "filter, sort and selection as before, and no progress window";
    alice.signal(SIGTERM);
    EXPECT_EQ(alice.exit_code(20000), 0);
}
