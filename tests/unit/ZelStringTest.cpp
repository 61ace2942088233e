#include "ZelException.h"
#include "ZelString.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <limits>
#include <random>

using Lines = std::vector<std::string>;

TEST(ZelString, TrimsCLocaleWhitespaceOnly)
{
    std::string s = " \t\n\v\f\rx y\r\n";
    EXPECT_EQ(&Zel::trimLeft(s), &s) << "trimLeft works in place";
    EXPECT_EQ(s, "x y\r\n");
    EXPECT_EQ(Zel::trimRight(s), "x y");
    EXPECT_EQ(Zel::trim(" \t "), "");
    std::string nbsp = "\xC2\xA0x\xC2\xA0";  // UTF-8 no-break space: not whitespace byte by byte
    EXPECT_EQ(Zel::trimInPlace(nbsp), "\xC2\xA0x\xC2\xA0");
}

TEST(ZelString, SimplifiesWhitespace)
{
    EXPECT_EQ(Zel::simplifyWhitespace("\ta\r\nb   c "), "a b c");
    EXPECT_EQ(Zel::simplifyWhitespace(" a\t\tb "), "a b");
    EXPECT_EQ(Zel::simplifyWhitespace("\v a \f b \v"), "a \f b") << "vertical tab and form feed are only trimmed";
    EXPECT_EQ(Zel::simplifyWhitespace(" \r\n "), "");

    // Against the slow step-by-step form: replace, shrink pairs until none is left, trim.
    const char alphabet[] = {' ', ' ', '\t', '\r', '\n', '\v', '\f', 'a', 'b'};
    std::mt19937 random(42);
    for (int round = 0; round < 5000; ++round)
    {
        std::string s(random() % 12, ' ');
        for (char& c : s)
            c = alphabet[random() % sizeof alphabet];
        std::string expected = s;
        for (char& c : expected)
            c = (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
        for (size_t pos; (pos = expected.find("  ")) != std::string::npos;)
            expected.replace(pos, 2, " ");
        Zel::trimLeft(Zel::trimRight(expected));
        std::string inPlace = s;
        EXPECT_EQ(Zel::simplifyWhitespace(s), expected) << "input " << testing::PrintToString(s);
        EXPECT_EQ(Zel::simplifyWhitespaceInPlace(inPlace), expected) << "input " << testing::PrintToString(s);
    }
}

TEST(ZelString, SplitsWordsAndLines)
{
    EXPECT_EQ(Zel::splitWords("one  two"), (Lines{"one", "two"}));
    EXPECT_EQ(Zel::splitWords("\tone\r\ntwo three "), (Lines{"one", "two", "three"}));
    EXPECT_TRUE(Zel::splitWords("").empty());
    EXPECT_TRUE(Zel::splitWords(" \t\n ").empty());

    EXPECT_EQ(Zel::splitLines("x\r\n\r\n y \rz\n"), (Lines{"x", "y", "z"}));
    EXPECT_EQ(Zel::splitLines("a\rb\nc\r\nd\n\re"), (Lines{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(Zel::splitLines("single"), (Lines{"single"}));
    EXPECT_TRUE(Zel::splitLines("\r\n \t\n\r").empty());
}

TEST(ZelString, UpperCasesAsciiBytesOnly)
{
    EXPECT_EQ(Zel::toUpper("pm-042 Motor z{}`~"), "PM-042 MOTOR Z{}`~");
    std::string s = "k\xC3\xA4y";  // the bytes of "ä" must not be touched
    EXPECT_EQ(&Zel::toUpperInPlace(s), &s);
    EXPECT_EQ(s, "K\xC3\xA4Y");
}

TEST(ZelString, FormatsAndComparesNumbers)
{
    EXPECT_EQ(Zel::formatDouble(2.5, 2), "2.50");
    EXPECT_EQ(Zel::formatDouble(2, 2), "2.00");
    EXPECT_EQ(Zel::formatDouble(-1234.5678, 1), "-1234.6");

    EXPECT_TRUE(Zel::approximatelyEqual(1.004, 1.0));
    EXPECT_FALSE(Zel::approximatelyEqual(1.006, 1.0));
    EXPECT_TRUE(Zel::approximatelyGreaterOrEqual(0.996, 1.0));
    EXPECT_FALSE(Zel::approximatelyGreaterOrEqual(0.99, 1.0));
    EXPECT_TRUE(Zel::approximatelyLessOrEqual(1.004, 1.0));
    EXPECT_FALSE(Zel::approximatelyLessOrEqual(1.01, 1.0));
}

TEST(ZelString, FormatsByteCounts)
{
    const std::pair<uint64_t, const char*> cases[] = {
        {0, "0 bytes"}, {1, "1 byte"}, {767, "767 bytes"}, {768, "0.75 KiB"}, {1536, "1.50 KiB"},
        {786431, "768.00 KiB"}, {786432, "0.75 MiB"}, {10485761, "10.00 MiB"}, {uint64_t(1) << 60, "1.00 EiB"},
        // The largest 64-bit count; ZiB and YiB lie beyond it.
        {std::numeric_limits<uint64_t>::max(), "16.00 EiB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Zel::formatBytes(c.first), c.second) << c.first << " bytes";
}

TEST(ZelString, ApproximatesAges)
{
    const int64_t now = 1700000000;
    const std::pair<int64_t, const char*> past[] = {
        {0, "0 seconds ago"}, {1, "1 second ago"}, {180, "180 seconds ago"}, {181, "3 minutes ago"},
        {7200, "120 minutes ago"}, {7201, "2 hours ago"}, {172800, "48 hours ago"}, {172801, "2 days ago"},
        {1209600, "14 days ago"}, {1209601, "2 weeks ago"}, {5443200, "9 weeks ago"}, {5443201, "2 months ago"},
        {63113832, "24 months ago"}, {63113852, "2 years ago"},
        {63113851, "24 months ago"},  // just under two years stays in months rather than "1 years"
    };
    for (const auto& c : past)
        EXPECT_EQ(Zel::approximateAge(now - c.first, now), c.second) << c.first << " seconds in the past";

    EXPECT_EQ(Zel::approximateAge(now + 1, now), "in 1 second");
    EXPECT_EQ(Zel::approximateAge(now + 7201, now), "in 2 hours");
    // The distance between the extreme times does not fit in a signed 64-bit number.
    EXPECT_EQ(Zel::approximateAge(std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max()),
              "584554530872 years ago");
    EXPECT_EQ(Zel::approximateAge(static_cast<int64_t>(std::time(nullptr)) - 1000), "16 minutes ago")
        << "the one-argument form measures from the current time";
}

TEST(ZelString, ReadsWholeFilesAsBytes)
{
    const std::string dir = testing::TempDir();
    EXPECT_EQ(Zel::readFile(dir + "zel-no-such-file"), "") << "a missing file reads as empty text";

    std::string bytes = std::string("\0\r\n\x1A\xFF\xC3\xA4 end", 10) + std::string(40000, 'x') + "tail";
    const std::string path = dir + "zel-binary.dat";
    std::ofstream(path, std::ios::binary) << bytes;
    EXPECT_EQ(Zel::readFile(path), bytes) << "bytes come back unchanged, also past one read chunk";
    std::remove(path.c_str());

    try  // a directory opens but cannot be read: the one failure that throws
    {
        Zel::readFile(dir);
        ADD_FAILURE() << "reading the directory " << dir << " should throw";
    }
    catch (const Zel::Exception& e)
    {
        EXPECT_EQ(e.text, "Failed to read " + dir + ".");
        EXPECT_EQ(e.function_name + " " + e.filename, "Zel::readFile src-base/ZelString");
    }
}
