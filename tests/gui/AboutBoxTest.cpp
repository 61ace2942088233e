#include "AboutBox.h"
#include "Brand.h"
#include "Cfg.h"
#include "Log.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <pqxx/version>

TEST(AboutBox, JobFiveShowsAndLogsTheBuildLineByLine)
{
    recorder().reset();
    TestApp test;
    test.app.run(VekApplication::job_about_window);
    const auto boxes = recorder().boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, Brand::current().about_title);
    EXPECT_FALSE(boxes[0].modal) << "the program goes on while it is open";

    using juce::SystemStats;
    const juce::String expected[] = {
        juce::String(Brand::current().title_prefix) + "VEK v1.2.1-3304", "", "support@talvik-logs.example",
        "https://www.talvik-logs.example/vek/", "", "Built: (date and time)", "Type: Linux, x86_64 build",
        "User: " + SystemStats::getLogonName() + "@" + SystemStats::getComputerName(),
        "O/S: 64-bit " + SystemStats::getOperatingSystemName() + ", " + SystemStats::getUserLanguage() + ", "
            + SystemStats::getUserRegion(),
        "Log: " + juce::String(log_path()),
        "Cfg: " + Cfg::options().getDefaultFile().getParentDirectory().getFullPathName(), "",
        "Juce: version 7.0.5", juce::String("PQXX: version ") + PQXX_VERSION, "Zelmar: version 0.0.1-3289",
        "VEK DB: revision 7"};
    juce::StringArray lines;
    lines.addTokens(juce::String::fromUTF8(boxes[0].message.c_str()), "\n", "");
    ASSERT_EQ(lines.size(), 16) << "no line feed after the last line:\n" << boxes[0].message;
    lines.set(5, lines[5].matchesWildcard("Built: ??? ?? 20?? ??:??:??", false) ? "Built: (date and time)" : lines[5]);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
    EXPECT_NE(read_log().find("About window information:\n" + boxes[0].message + "\n"), std::string::npos);
}
