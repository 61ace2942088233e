#include "ShownText.h"

#include <gtest/gtest.h>

#include <string>

TEST(ShownText, KeepsValidUtf8AndShowsEveryOtherByteReadably)
{
    struct Case
    {
        std::string bytes;
        std::string shown; // as UTF-8
        bool valid;
    };
    const Case cases[] = {
        {"", "", true},
        {"plain", "plain", true},
        {"Pump \xC3\xA4 \xE2\x82\xAC \xF0\x9F\x94\xA7", "Pump \xC3\xA4 \xE2\x82\xAC \xF0\x9F\x94\xA7", true},
        {"Caf\xE9 closed \xE0 noon", "Caf\xC3\xA9 closed \xC3\xA0 noon", false},  // Latin-1
        {"\x80 \x93quoted\x94 \x9F", "\xE2\x82\xAC \xE2\x80\x9Cquoted\xE2\x80\x9D \xC5\xB8", false}, // Windows-1252
        {"\x81\x8D\x8F\x90\x9D", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD", false}, // undefined there
        {"lone \x80\xBF", "lone \xE2\x82\xAC\xC2\xBF", false},                   // continuation bytes
        {"cut \xE2\x82", "cut \xC3\xA2\xE2\x80\x9A", false},                     // truncated at the end
        {"\xC0\xAF \xE0\x80\xAF", "\xC3\x80\xC2\xAF \xC3\xA0\xE2\x82\xAC\xC2\xAF", false}, // overlong forms
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC", false},                 // a surrogate
        {"\xF4\x90\x80\x80", "\xC3\xB4\xEF\xBF\xBD\xE2\x82\xAC\xE2\x82\xAC", false}, // beyond U+10FFFF
        {std::string("a\0b", 3), "a\xEF\xBF\xBD" "b", false},                    // NUL would end the text
    };
    for (const auto& c : cases)
    {
        const std::string& expected = c.shown;
        EXPECT_EQ(ShownText::is_valid_utf8(c.bytes), c.valid) << "bytes \"" << c.bytes << "\"";
        EXPECT_EQ(ShownText::repaired(c.bytes), expected) << "bytes \"" << c.bytes << "\"";
        EXPECT_EQ(ShownText::from_bytes(c.bytes).toStdString(), expected) << "bytes \"" << c.bytes << "\"";
        EXPECT_TRUE(ShownText::is_valid_utf8(ShownText::repaired(c.bytes))) << "repaired \"" << c.bytes << "\"";
    }
}

TEST(ShownText, ReadsNoFurtherThanTheBytesGiven)
{
    // Every lead byte at the very end of a buffer that is not NUL-terminated.
    for (int lead = 0x80; lead <= 0xFF; ++lead)
    {
        const std::string heap(1, static_cast<char>(lead));
        const std::string_view bytes(heap.data(), 1);
        EXPECT_EQ(ShownText::from_bytes(bytes).length(), 1) << "lead byte " << lead;
    }
    const std::string big(1 << 20, '\xE9');
    EXPECT_EQ(ShownText::from_bytes(big).length(), 1 << 20) << "a 1 MiB Latin-1 text shows one letter a byte";
}
