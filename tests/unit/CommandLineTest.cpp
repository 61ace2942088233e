#include "Brand.h"
#include "Cfg.h"
#include "CommandLine.h"
#include "Log.h"

#include <gtest/gtest.h>

#include <sstream>

TEST(CommandLine, VersionAndHelpAnswerAndEndWithoutWritingAnything)
{
    const juce::File configuration = Cfg::options().getDefaultFile();
    configuration.deleteFile();

    std::ostringstream version;
    EXPECT_EQ(CommandLine::answer({"/usr/bin/vek", "--version"}, version), 0) << "--version ends the program with 0";
    EXPECT_EQ(version.str(), Brand::current().application_name + " 1.2.1-3304\n");

    std::ostringstream help;
    EXPECT_EQ(CommandLine::answer({"/usr/bin/vek", "ignored", "--help", "--version"}, help), 0)
        << "the first of the two options decides";
    const std::string text = help.str();
    EXPECT_EQ(text.rfind("Usage: vek [--help | --version]\n", 0), 0u) << "the program is named without its folder:\n"
                                                                       << text;
    EXPECT_NE(text.find(Brand::current().application_name + ": "), std::string::npos) << text;
    EXPECT_NE(text.find("Configuration: " + configuration.getFullPathName().toStdString() + "\n"), std::string::npos)
        << "names the configuration file of this user:\n"
        << text;
    EXPECT_NE(text.find("Log file:      " + log_path() + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  --version  "), std::string::npos) << text;
    EXPECT_NE(text.find("Any other argument is ignored."), std::string::npos) << text;

    EXPECT_FALSE(configuration.exists()) << "answering writes no configuration";
    EXPECT_FALSE(juce::File(log_path()).exists()) << "answering opens no log file";
}

TEST(CommandLine, OtherArgumentsLeaveTheProgramToStart)
{
    std::ostringstream out;
    EXPECT_FALSE(CommandLine::answer({"vek"}, out).has_value()) << "no argument";
    EXPECT_FALSE(CommandLine::answer({"vek", "-version", "--Help", "-h", "file.txt"}, out).has_value())
        << "only the two options, spelled exactly, are answered";
    EXPECT_FALSE(CommandLine::answer({}, out).has_value()) << "not even a program name";
    EXPECT_TRUE(out.str().empty()) << out.str();
}
