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

    static juce::File temp_folder() { return juce::File::getSpecialLocation(juce::File::tempDirectory); }

    // The arguments of every run of a fake program that recorded them, one NUL after each.
    static std::vector<std::string> recorded_arguments(const std::string& file_name)
    {
        const juce::MemoryBlock block = [&] {
            juce::MemoryBlock data;
            temp_folder().getChildFile(file_name).loadFileAsData(data);
            return data;
        }();
        std::vector<std::string> arguments;
        std::string current;
        for (std::size_t i = 0; i < block.getSize(); ++i)
        {
            if (block[i] == 0)
                arguments.push_back(std::exchange(current, std::string()));
            else
                current += block[i];
        }
        return arguments;
    }

    TestApp test;
};
} // namespace

TEST_F(WebLookups, OnlyANewerVersionIsOffered)
{
    LocalWebServer server;
    use_server(server.address());
    server.put("vek/download/index.html", "<a href=\"vek-1.2.2-3410-win64.exe\">vek-1.2.2-3410-win64.exe</a>\n"
                                          "<a href=\"vek-1.2.1-3304-win64.exe\">vek-1.2.1-3304-win64.exe</a>\n");
    LoadWnd window;
    window.verify_client_version();

    auto boxes = recorder().boxes();
    ASSERT_EQ(boxes.size(), 1u) << read_log();
    EXPECT_EQ(boxes[0].title, "This version is out of date!");
    EXPECT_EQ(boxes[0].message, "You are using version 1.2.1-3304 but the newer version 1.2.2-3410 is available for "
                                "download.\n\nOpen the download page?");
    EXPECT_EQ(boxes[0].icon, Interaction::Icon::info);
    EXPECT_FALSE(boxes[0].modal) << "the load goes on at once";
    EXPECT_EQ(window.done, 500);

    const std::string listing = server.address() + "/vek/download/?C=M;O=D";
    boxes[0].answer(false);
    std::string log = read_log();
    EXPECT_NE(log.find("loading: Verifying client version number..."), std::string::npos);
    EXPECT_NE(log.find("getting download information from " + listing), std::string::npos);
    EXPECT_NE(log.find("external command: curl --silent --fail --max-time 60 --connect-timeout 10 "
                       "--location-trusted --insecure --user-agent \"VEK/1.2.1-3304 ("),
              std::string::npos);
    EXPECT_NE(log.find("current version=1.2.1-3304, most recent version=1.2.2-3410"), std::string::npos);
    EXPECT_NE(log.find("do not open the download page " + listing), std::string::npos);
    EXPECT_EQ(recorder().quits(), 0) << "Cancel changes nothing";

    server.put("vek/download/index.html", "<a href=\"vek-1.10.0-4000-win64.exe\">vek-1.10.0-4000-win64.exe</a>\n");
    recorder().reset();
    window.verify_client_version();
    EXPECT_TRUE(recorder().boxes().empty()) << "1.10.0-4000 is older, byte-wise";
    EXPECT_NE(read_log().find("most recent version=1.10.0-4000"), std::string::npos);
}

TEST_F(WebLookups, MessageOfTheDayFromTheFirstOrElseTheSecondAddress)
{
    LocalWebServer server;
    use_server(server.address());

    server.put("vek/motd.txt", "  \n Welcome back, crew.\n\n");
    LoadWnd first;
    first.show_message_of_the_day();
    ASSERT_EQ(recorder().boxes().size(), 1u) << read_log();
    EXPECT_EQ(recorder().boxes()[0].title, "Talvik Maintenance Logs");
    EXPECT_EQ(recorder().boxes()[0].message, "Welcome back, crew.") << "trimmed";
    EXPECT_FALSE(recorder().boxes()[0].modal);
    EXPECT_EQ(first.done, 500) << "one request";

    // A missing first file is a 404 page, which is no message: the second address is asked.
    server.remove("vek/motd.txt");
    server.put("vek/download/motd.txt", "Planer mill shut down on Friday.");
    recorder().reset();
    LoadWnd second;
    second.show_message_of_the_day();
    ASSERT_EQ(recorder().boxes().size(), 1u);
    EXPECT_EQ(recorder().boxes()[0].message, "Planer mill shut down on Friday.");
    EXPECT_EQ(second.done, 1000) << "500 more for the second address";
    EXPECT_NE(read_log().find("rc=22 when running: curl"), std::string::npos) << "curl --fail on the 404";

    server.put("vek/motd.txt", " \n\t\n");
    server.remove("vek/download/motd.txt");
    recorder().reset();
    LoadWnd third;
    third.show_message_of_the_day();
    EXPECT_TRUE(recorder().boxes().empty()) << "blank and missing: nothing to show";
    EXPECT_EQ(third.done, 1000);

    const std::string log = read_log();
    EXPECT_EQ(count(log, "MOTD: "), 2u) << log;
    EXPECT_NE(log.find("MOTD: Welcome back, crew."), std::string::npos);
    EXPECT_TRUE(temp_folder().findChildFiles(juce::File::findFiles, false, "temp_*.output").isEmpty())
        << "every download file is removed";
}

TEST_F(WebLookups, WithoutAServerTheStartupGoesOnAndSwitchedOffRunsNoCurl)
{
    use_server("http://127.0.0.1:1"); // nothing listens there
    LoadWnd window;
    window.verify_client_version();
    window.show_message_of_the_day();
    EXPECT_TRUE(recorder().boxes().empty());
    EXPECT_EQ(window.done, 1500) << "the version check and both message addresses";
    std::string log = read_log();
    EXPECT_EQ(count(log, "rc=7 when running: curl"), 3u) << "connection refused, three times";

    use_server("");
    const std::size_t commands_before = count(log, "external command: ");
    LoadWnd off;
    off.verify_client_version();
    off.show_message_of_the_day();
    log = read_log();
    EXPECT_EQ(count(log, "external command: "), commands_before) << "switched off: no curl runs";
    EXPECT_NE(log.find("no web server configured: the client version is not checked"), std::string::npos);
    EXPECT_NE(log.find("no web server configured: no message of the day"), std::string::npos);
    EXPECT_EQ(off.done, 1000) << "the progress still moves";
    EXPECT_TRUE(recorder().boxes().empty());
}

TEST_F(WebLookups, ShellCharactersInTheAddressReachCurlAndTheBrowserAsOneArgument)
{
    const std::string marker = temp_folder().getChildFile("injected").getFullPathName().toStdString();
    const std::string server = "http://127.0.0.1:1/x\" 'y' ; touch " + marker + "1 ; $(touch " + marker + "2) `touch "
                               + marker + "3` && touch " + marker + "4";
    const std::string record = "for a in \"$0\" \"$@\"; do printf '%s\\0' \"$a\"; done >> \""
                               + temp_folder().getFullPathName().toStdString();
    put_fake_program("curl", record + "/curl-arguments\"\nexit 22");
    put_fake_program("xdg-open", record + "/browser-arguments\"");
    use_server(server);

    LoadWnd window;
    window.verify_client_version();
    const std::vector<std::string> arguments = recorded_arguments("curl-arguments");
    ASSERT_EQ(arguments.size(), 15u) << "the program and its 14 arguments, nothing split";
    EXPECT_EQ(arguments[13], "--url");
    EXPECT_EQ(arguments[14], server + "/vek/download/?C=M;O=D");
    EXPECT_EQ(arguments[11], "--output");
    EXPECT_EQ(arguments[10], WebLookup::user_agent());

    WebLookup::open_in_browser(WebLookup(server).listing_address());
    ASSERT_TRUE(pump_until([] { return recorded_arguments("browser-arguments").size() == 2; }, 10000));
    EXPECT_EQ(recorded_arguments("browser-arguments")[1], server + "/vek/download/?C=M;O=D");

    for (const char* n : {"1", "2", "3", "4"})
        EXPECT_FALSE(juce::File(marker + n).exists()) << "no command ran: " << marker << n;
}
