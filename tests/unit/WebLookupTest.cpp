#include "Cfg.h"
#include "ExternalCommand.h"
#include "WebLookup.h"

#include <gtest/gtest.h>

TEST(WebLookup, NewestVersionOfAListingAndByteWiseComparison)
{
    const std::string listing = "<a href=\"vek-1.2.2-3410-win64.exe\">vek-1.2.2-3410-win64.exe</a>\n"
                                "<a href=\"zar-vek-9.9.9-9999-win64.exe\">...</a>\n"
                                "<a href=\"vek-1.2.1-3304-win64.exe\">vek-1.2.1-3304-win64.exe</a>\n";
    EXPECT_EQ(WebLookup::newest_version(listing, "vek"), "1.2.2-3410") << "the first link is the newest";
    EXPECT_EQ(WebLookup::newest_version(listing, "zar-vek"), "9.9.9-9999") << "the second brand's own word";
    EXPECT_EQ(WebLookup::newest_version("<a href=\"vek-setup.exe\"> <a href=\"vek--win\"> <a href=\"vek-1.3-linux\">"
                                        "<a href=\"vek-1.4.0-5000-win32.zip\">",
                                        "vek"),
              "1.4.0-5000")
        << "links without a version before -win are passed over";
    EXPECT_EQ(WebLookup::newest_version("<html>404 Not Found</html>", "vek"), "");

    // The standard regular expression engine overflows the stack on a run like this.
    const std::string hostile = "href=\"vek-" + std::string(300000, '1') + "-win";
    EXPECT_EQ(WebLookup::newest_version(hostile, "vek").size(), 300000u);

    EXPECT_TRUE(WebLookup::is_newer("1.2.2-3410", "1.2.1-3304"));
    EXPECT_FALSE(WebLookup::is_newer("1.10.0-4000", "1.2.1-3304")) << "the third byte decides: 1 against 2";
    EXPECT_TRUE(WebLookup::is_newer("1.2.1-3304.1", "1.2.1-3304")) << "equal prefix, longer text";
    EXPECT_FALSE(WebLookup::is_newer("1.2.1-3304", "1.2.1-3304"));
}

TEST(WebLookup, AddressesAndTheCurlCommandLine)
{
    const WebLookup web("http://127.0.0.1:8080/ ");
    EXPECT_TRUE(web.enabled());
    EXPECT_EQ(web.listing_address(), "http://127.0.0.1:8080/vek/download/?C=M;O=D");
    EXPECT_EQ(web.first_message_address(), "http://127.0.0.1:8080/vek/motd.txt");
    EXPECT_EQ(web.second_message_address(), "http://127.0.0.1:8080/vek/download/motd.txt");
    EXPECT_EQ(WebLookup("intranet.site:81").first_message_address(), "http://intranet.site:81/vek/motd.txt")
        << "an address without a scheme is http";
    EXPECT_FALSE(WebLookup("").enabled());
    EXPECT_FALSE(WebLookup("  ").enabled());

    EXPECT_EQ(ExternalCommand(curl_arguments("http://h/vek/motd.txt", "/tmp/temp_1.output")).command_line(),
              "curl --silent --fail --max-time 60 --connect-timeout 10 --location-trusted --insecure --user-agent "
              "\"VEK/1.2.1-3304 (the VEK support desk <support@talvik-logs.example>)\" --output "
              "\"/tmp/temp_1.output\" --url \"http://h/vek/motd.txt\" ");

    Cfg cfg;
    EXPECT_FALSE(cfg.containsKey(Cfg::web_server_key)) << "the key is optional and not written by the defaults";
    EXPECT_EQ(cfg.web_server(), "http://downloads.talvik-logs.invalid") << "the built-in server";
    cfg.setValue(Cfg::web_server_key, "");
    EXPECT_EQ(cfg.web_server(), "") << "an empty value switches the look-ups off";
    cfg.setValue("WEB_SERVER", "http://intranet.site");
    EXPECT_EQ(cfg.web_server(), "http://intranet.site");
}
