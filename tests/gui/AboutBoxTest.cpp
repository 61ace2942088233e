#include "AboutBox.h"
#include "Brand.h"
#include "Cfg.h"
#include "Log.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <pqxx/version>

#include <regex>

TEST(AboutBox, JobFiveShowsAndLogsTheBuildLineByLine)
{
    recorder().reset();
    TestApp test;
    test.app.run(VekApplication::job_about_window);

    const auto boxes = recorder().boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, Brand::current().about_title);
    EXPECT_EQ(boxes[0].icon, Interaction::Icon::info);
    EXPECT_FALSE(boxes[0].modal) << "the program goes on while it is open";
    EXPECT_TRUE(recorder().exits().empty());

    const std::string& text = boxes[0].message;
    juce::StringArray lines;
    lines.addTokens(juce::String::fromUTF8(text.c_str()), "\n", "");
    ASSERT_EQ(lines.size(), 16) << text;
    EXPECT_NE(text.back(), '\n') << "no line feed after the last line";

    using juce::SystemStats;
    const juce::String config_folder = Cfg::options().getDefaultFile().getParentDirectory().getFullPathName();
    const juce::String expected[] = {
        juce::String(Brand::current().title_prefix) + "VEK v1.2.1-3304",
        "",
        "support@talvik-logs.example",
        "https://www.talvik-logs.example/vek/",
        "",
        "", // the build time, below
        "Type: " + juce::String(AboutBox::build_type()),
        "User: " + SystemStats::getLogonName() + "@" + SystemStats::getComputerName(),
        "O/S: " + juce::String(SystemStats::isOperatingSystem64Bit() ? "64-bit " : "32-bit ")
            + SystemStats::getOperatingSystemName() + ", " + SystemStats::getUserLanguage() + ", "
            + SystemStats::getUserRegion(),
        "Log: " + juce::String(log_path()),
        "Cfg: " + config_folder,
        "",
        "Juce: version 7.0.5",
        juce::String("PQXX: version ") + PQXX_VERSION,
        "Zelmar: version 0.0.1-3289",
        "VEK DB: revision 7"};
    for (int i = 0; i < 16; ++i)
        if (i != 5)
            EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;

    EXPECT_TRUE(std::regex_match(lines[5].toStdString(),
                                 std::regex("Built: [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}")))
        << lines[5];
#if defined(__linux__) && defined(__x86_64__)
    EXPECT_EQ(AboutBox::build_type(), "Linux, x86_64 build");
#endif
    EXPECT_TRUE(config_folder.endsWith(".TalvikMaintenanceLogs")) << config_folder;
    EXPECT_NE(read_log().find("running job #5: \"about window\"\n"), std::string::npos);
    EXPECT_NE(read_log().find("About window information:\n" + text + "\n"), std::string::npos);
}
