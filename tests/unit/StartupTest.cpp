#include "LoadWnd.h"
#include "LogLoader.h"
#include "WaitingMessage.h"

#include <gtest/gtest.h>

#include <set>

TEST(Startup, DisplayNumberWidth)
{
    EXPECT_EQ(display_number_width_for(0, true), 1u) << "an empty table gives 6, one digit";
    EXPECT_EQ(display_number_width_for(99, false), 3u) << "99 + 5 = 104";
    EXPECT_EQ(display_number_width_for(94, false), 2u);
    EXPECT_EQ(display_number_width_for(995, false), 4u);
}

TEST(Startup, TimeZoneCandidates)
{
    EXPECT_EQ(LoadWnd::utc_offset_name(480), "UTC-8");
    EXPECT_EQ(LoadWnd::utc_offset_name(-60), "UTC1");
    EXPECT_EQ(LoadWnd::utc_offset_name(-330), "UTC5") << "whole hours, truncated towards zero";
    EXPECT_EQ(LoadWnd::utc_offset_name(0), "UTC0");

    const std::string stored = "Europe/Oslo";
    const std::string offset = "UTC1";
    EXPECT_EQ(LoadWnd::time_zone_candidates(&stored, &offset),
              (std::vector<std::string>{"Europe/Oslo", "UTC1", "America/Vancouver", "PST8PDT"}));
    EXPECT_EQ(LoadWnd::time_zone_candidates(nullptr, nullptr),
              (std::vector<std::string>{"America/Vancouver", "America/Vancouver", "PST8PDT"}));
}

TEST(Startup, LocalStandardBiasFollowsTheZone)
{
    const char* old = std::getenv("TZ");
    const std::string saved = old != nullptr ? old : "";
    setenv("TZ", "America/Vancouver", 1);
    EXPECT_EQ(LoadWnd::local_standard_bias_minutes(), 480) << "standard time, even in summer";
    setenv("TZ", "Asia/Kolkata", 1);
    EXPECT_EQ(LoadWnd::local_standard_bias_minutes(), -330);
    if (old != nullptr)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(Startup, RevisionMismatchMessage)
{
    const std::string newer = LoadWnd::revision_mismatch_message(6);
    EXPECT_EQ(newer.rfind("The database server revision number is 6, but the Talvik Maintenance Logs application was "
                          "expecting revision number 7.\n\n(The VEK client software you are running is v1.2.1-3304, "
                          "which is NEWER than the version installed on the server!)",
                          0),
              0u)
        << newer;
    EXPECT_NE(LoadWnd::revision_mismatch_message(8).find("which is OLDER than"), std::string::npos);
}

TEST(Startup, WaitingMessagesAreMostlyTheText)
{
    EXPECT_EQ(waiting_phrases().size(), 48u);
    EXPECT_EQ(std::set<std::string>(waiting_phrases().begin(), waiting_phrases().end()).size(), 48u);
    for (const auto& phrase : waiting_phrases())
    {
        const bool ends_well = phrase.size() > 1
                               && (phrase.back() == '.' || phrase.back() == '?');
        EXPECT_TRUE(ends_well) << phrase;
    }

    int unchanged = 0;
    std::set<std::string> seen;
    for (int i = 0; i < 4000; ++i)
    {
        const std::string message = waiting_message("Loading tables...");
        unchanged += message == "Loading tables..." ? 1 : 0;
        seen.insert(message);
    }
    EXPECT_GT(unchanged, 3400) << "about nine calls in ten return the text";
    EXPECT_LT(unchanged, 3800);
    EXPECT_GT(seen.size(), 30u) << "the phrases are drawn from the whole list";
    for (const auto& message : seen)
        EXPECT_TRUE(message == "Loading tables..."
                    || std::find(waiting_phrases().begin(), waiting_phrases().end(), message) != waiting_phrases().end());
}

TEST(LogLoading, TimeWindowsAndQueryPieces)
{
    const std::int64_t now = 1700000000;
    EXPECT_EQ(LogLoader::window_start(1, now), now - 604800);
    EXPECT_EQ(LogLoader::window_start(2, now), now - 2678400);
    EXPECT_EQ(LogLoader::window_start(3, now), now - 15811200);
    EXPECT_EQ(LogLoader::window_start(4, now), now - 31622400);
    EXPECT_EQ(LogLoader::window_start(5, now), 0);
    EXPECT_EQ(LogLoader::window_start(0, now), 0);
    EXPECT_EQ(LogLoader::window_start(9, now), now);

    EXPECT_EQ(LogLoader::where_clause("2024-03-05", "0, 3, 5"),
              "WHERE ( timestamp_end IS NULL OR timestamp_end > '2024-03-05' OR timestamp_start > '2024-03-05' OR "
              "last_updated > '2024-03-05') AND departments_id IN (0, 3, 5)");

    std::vector<int> sizes;
    for (int chunk = 0; chunk < 8; ++chunk)
        sizes.push_back(LogLoader::chunk_size(chunk));
    EXPECT_EQ(sizes, (std::vector<int>{50, 100, 200, 400, 800, 1000, 1000, 1000}));

    EXPECT_EQ(LogLoader::shorten_timestamp("2024-03-05 14:07:33.123456-07"), "2024-03-05 14:07:33");
    EXPECT_EQ(LogLoader::shorten_timestamp("2024-03-05 14:07:33+01"), "2024-03-05 14:07:33");
    EXPECT_EQ(LogLoader::shorten_timestamp("2024-03-05 14:07:33-07"), "2024-03-05 14:07:33");
    EXPECT_EQ(LogLoader::shorten_timestamp(""), "");
}
