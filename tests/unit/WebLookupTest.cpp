#include "WebLookup.h"

#include <gtest/gtest.h>

TEST(WebLookup, NewestListedVersionComparedByteWise)
{
    const std::string listing = "<a href=\"vek-1.2.2-3410-win64.exe\">x</a> <a href=\"zar-vek-9.9.9-9999-win64.exe\">"
                                "<a href=\"vek-1.2.1-3304-win64.exe\">";
    EXPECT_EQ(WebLookup::newest_version(listing, "vek"), "1.2.2-3410") << "the first link is the newest";
    EXPECT_EQ(WebLookup::newest_version(listing, "zar-vek"), "9.9.9-9999") << "the second brand's word";
    EXPECT_EQ(WebLookup::newest_version("<a href=\"vek-setup.exe\"><a href=\"vek--win\"><a href=\"vek-1.4-5-win.zip\">",
                                        "vek"),
              "1.4-5")
        << "links without a version before -win are passed over";
    EXPECT_EQ(WebLookup::newest_version("<html>404 Not Found</html>", "vek"), "");
    // The standard regular expression engine overflows the stack on a run like this one.
    EXPECT_EQ(WebLookup::newest_version("href=\"vek-" + std::string(300000, '1') + "-win", "vek").size(), 300000u);

    EXPECT_TRUE(WebLookup::is_newer("1.2.2-3410", "1.2.1-3304"));
    EXPECT_FALSE(WebLookup::is_newer("1.10.0-4000", "1.2.1-3304")) << "the third byte decides: 1 against 2";
    EXPECT_TRUE(WebLookup::is_newer("1.2.1-3304.1", "1.2.1-3304")) << "equal prefix, longer text";
    EXPECT_FALSE(WebLookup::is_newer("1.2.1-3304", "1.2.1-3304"));
}
