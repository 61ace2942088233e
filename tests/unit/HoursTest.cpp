#include "Hours.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace
{
const double one_minute = 1.0 / 60.0;
}

TEST(Hours, ReadsEveryForm)
{
    for (const char* text : {"1:30", "01:30", "1.5", "1.5h", "1.5H", "90m", "90M", "1h30m", "1h 30m", "1H   30M",
                             "  1:30", "1.5h  ", " 1h 30m "})
        EXPECT_DOUBLE_EQ(hours_from_text(text), 1.5) << "text \"" << text << "\"";

    EXPECT_EQ(hours_from_text("0:01"), one_minute);
    EXPECT_EQ(hours_from_text("1m"), one_minute);
    EXPECT_DOUBLE_EQ(hours_from_text(".25"), 0.25);
    EXPECT_DOUBLE_EQ(hours_from_text(".5h"), 0.5);
    EXPECT_DOUBLE_EQ(hours_from_text("2h"), 2);
    EXPECT_DOUBLE_EQ(hours_from_text("12:05"), 12 + 5.0 / 60);
    EXPECT_DOUBLE_EQ(hours_from_text("1.2.3"), 1.2) << "the longest leading number counts";
    EXPECT_DOUBLE_EQ(hours_from_text("1."), 1);
    EXPECT_DOUBLE_EQ(hours_from_text("1.5h 15m"), 1.75);
}

TEST(Hours, RejectsInvalidTexts)
{
    for (const char* text : {"", "0", "0:00", "0h", "1:5", "100:00", "1:300", "0.5m", "1h.m", ".", "..", "h", "m",
                             "1h30", "1 30", "1,5", "-1", "1:30x", "1d", "1h 30m 5s", "0:00.5"})
        EXPECT_EQ(hours_from_text(text), -1) << "text \"" << text << "\"";

    EXPECT_EQ(hours_from_text("1" + std::string(400, '0')), -1) << "a number beyond double range is no duration";
}

TEST(Hours, WritesShortTexts)
{
    const std::pair<double, const char*> cases[] = {
        {2.5, "2h 30m"}, {0.75, "45m"},  {3, "3h"},   {0.001, "1m"},   {1.999, "1h 60m"},
        {-2, "1m"},      {0, ""},        {1.0 / 60, "1m"}, {100.25, "100h 15m"}, {1.0 / 120, "1m"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(hours_text(c.first), c.second) << "hours " << c.first;
    EXPECT_EQ(hours_text(std::nan("")), "") << "no number gives no text";
}

TEST(Hours, TextsReadBackToTheMinute)
{
    // Whole minutes up to 100 hours, and values a little off each minute.
    for (int minutes = 1; minutes <= 6000; ++minutes)
        for (double offset : {0.0, 0.3, -0.3})
        {
            const double hours = (minutes + offset) / 60.0;
            const std::string text = hours_text(hours);
            EXPECT_NEAR(hours_from_text(text), minutes / 60.0, 1e-9) << hours << " hours written as " << text;
        }
    EXPECT_EQ(hours_from_text(hours_text(1.999)), 2) << "1h 60m reads as the next whole hour";
}
