#include "Cfg.h"
#include "LoadWnd.h"
#include "TestSupport.h"
#include "WebLookup.h"

#include <gtest/gtest.h>

namespace
{
class WebLookups : public ::testing::Test
{
protected:
    void SetUp() override { recorder().reset(); }
    void use_server(const std::string& address) { test.app.cfg->setValue(Cfg::web_server_key, juce::String(address)); }
    static std::size_t count(const std::string& text, const std::string& part)
    {
        std::size_t n = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    }
    static juce::File temp(const std::string& name)
    {
        return juce::File::getSpecialLocation(juce::File::tempDirectory).getChildFile(name);
    }

    LocalWebServer server;
    TestApp test;
};
} // namespace

TEST_F(WebLookups, OnlyANewerVersionIsOffered)
{
    use_server(server.address());
    server.put("vek/download/index.html", "<a href=\"vek-1.2.2-3410-win64.exe\">new</a>\n"
                                          "<a href=\"vek-1.2.1-3304-win64.exe\">ours</a>\n");
    LoadWnd window;
    window.verify_client_version();
    const auto boxes = recorder().boxes();
    ASSERT_EQ(boxes.size(), 1u) << read_log();
    EXPECT_EQ(boxes[0].title, "This version is out of date!");
    EXPECT_EQ(boxes[0].message, "You are using version 1.2.1-3304 but the newer version 1.2.2-3410 is available for "
                                "download.\n\nOpen the download page?");
    EXPECT_FALSE(boxes[0].modal) << "the load goes on at once";
    EXPECT_EQ(window.done, 500);

    const std::string log = read_log();
    EXPECT_NE(log.find("getting download information from " + server.address() + "/vek/download/?C=M;O=D"),
              std::string::npos);
    EXPECT_NE(log.find("external command: curl -q --silent --fail --max-filesize 1048576 --max-time 60 "
                       "--connect-timeout 10 --location-trusted --insecure --user-agent \"VEK/1.2.1-3304 (the VEK "
                       "support desk <support@talvik-logs.example>)\""),
              std::string::npos);
    EXPECT_NE(log.find("current version=1.2.1-3304, most recent version=1.2.2-3410"), std::string::npos);

    server.put("vek/download/index.html", "<a href=\"vek-1.10.0-4000-win64.exe\">older</a>\n");
    recorder().reset();
    window.verify_client_version();
    EXPECT_TRUE(recorder().boxes().empty()) << "1.10.0-4000 is older, byte-wise";
}

TEST_F(WebLookups, MessageOfTheDayFromTheFirstOrElseTheSecondAddress)
{
    use_server(server.address());
    // The text of the one box each load shows, "" for none, and the load's progress.
    const auto show = [] {
        recorder().reset();
        LoadWnd window;
        window.show_message_of_the_day();
        const auto boxes = recorder().boxes();
        EXPECT_LE(boxes.size(), 1u);
        EXPECT_TRUE(boxes.empty() || (boxes[0].title == "Talvik Maintenance Logs" && ! boxes[0].modal));
        return std::make_pair(boxes.empty() ? std::string() : boxes[0].message, window.done);
    };

    server.put("vek/motd.txt", "  \n Welcome back, crew.\n\n");
    EXPECT_EQ(show(), std::make_pair(std::string("Welcome back, crew."), 500.0)) << "trimmed, one request";

    server.remove("vek/motd.txt"); // a 404 page is no message
    server.put("vek/download/motd.txt", "Planer mill shut down on Friday.");
    EXPECT_EQ(show(), std::make_pair(std::string("Planer mill shut down on Friday."), 1000.0));

    server.put("vek/motd.txt", " \n\t\n");
    server.remove("vek/download/motd.txt");
    EXPECT_EQ(show(), std::make_pair(std::string(), 1000.0)) << "blank, then missing";

    const std::string log = read_log();
    EXPECT_EQ(count(log, "MOTD: "), 2u) << log;
    EXPECT_EQ(count(log, "rc=22 when running: curl"), 2u) << "curl --fail on the 404 pages";
    EXPECT_TRUE(temp("").findChildFiles(juce::File::findFiles, false, "temp_*.output").isEmpty())
        << "every download file is removed";
}

TEST_F(WebLookups, MessageOfTheDayOfAnyBytesOrSizeIsShownReadablyAndBounded)
{
    use_server(server.address());
    const auto show = [] {
        recorder().reset();
        LoadWnd().show_message_of_the_day();
        return recorder().boxes().empty() ? std::string() : recorder().boxes()[0].message;
    };
    server.put("vek/motd.txt", std::string(60000, '\xE9'));
    EXPECT_EQ(show().size(), shown_message_limit + 3) << "cut for the box and the log, and \"...\" after it";

    server.put("vek/motd.txt", std::string(40 * 1024 * 1024, 'x'));
    server.put("vek/download/motd.txt", "Second.");
    const auto log_before = read_log().size();
    EXPECT_EQ(show(), "Second.") << "40 MB are no message";
    EXPECT_LT(read_log().size() - log_before, 100u * 1024);
    EXPECT_NE(read_log().find("rc=63 when running: curl -q --silent --fail --max-filesize 65536"), std::string::npos);
    EXPECT_TRUE(temp("").findChildFiles(juce::File::findFiles, false, "temp_*.output").isEmpty());
}

TEST_F(WebLookups, WithoutAServerTheStartupGoesOnAndSwitchedOffRunsNoCurl)
{
    EXPECT_EQ(test.app.cfg->web_server(), "http://downloads.talvik-logs.invalid") << "without the key";
    use_server("127.0.0.1:1/"); // nothing listens there
    LoadWnd window;
    window.verify_client_version();
    window.show_message_of_the_day();
    EXPECT_EQ(window.done, 1500) << "the version check and both message addresses";
    EXPECT_EQ(count(read_log(), "rc=7 when running: curl -q --silent"), 3u) << "connection refused, three times";

    use_server("");
    const std::size_t commands = count(read_log(), "external command: ");
    LoadWnd off;
    off.verify_client_version();
    off.show_message_of_the_day();
    EXPECT_EQ(count(read_log(), "external command: "), commands) << "switched off: no curl runs";
    EXPECT_EQ(off.done, 1000) << "the progress still moves";
    EXPECT_TRUE(recorder().boxes().empty());
}

TEST_F(WebLookups, ShellCharactersInTheAddressReachCurlAndTheBrowserAsOneArgument)
{
    const std::string marker = temp("injected").getFullPathName().toStdString();
    const std::string address = "http://127.0.0.1:1/x\" 'y' ; touch " + marker + " ; $(touch " + marker + ") `touch "
                                + marker + "` && touch " + marker;
    for (const char* program : {"curl", "xdg-open"})
        put_fake_program(program, std::string("printf '%s\\n' \"$@\" > \"") + temp(program).getFullPathName().toStdString()
                                      + "\"\nexit 22");
    use_server(address);
    LoadWnd window;
    window.verify_client_version();
    WebLookup::open_in_browser(WebLookup(address).listing_address());

    const std::string listing = address + "/vek/download/?C=M;O=D";
    const auto curl = juce::StringArray::fromLines(temp("curl").loadFileAsString().dropLastCharacters(1));
    ASSERT_EQ(curl.size(), 17) << "every argument whole";
    EXPECT_EQ(curl[15], "--url");
    EXPECT_EQ(curl[16].toStdString(), listing);
    ASSERT_TRUE(pump_until([] { return temp("xdg-open").getSize() > 0; }, 10000));
    EXPECT_EQ(temp("xdg-open").loadFileAsString().toStdString(), listing + "\n");
    EXPECT_FALSE(juce::File(marker).exists()) << "no command ran";
}
