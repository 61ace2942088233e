#include "ShownText.h"

namespace
{
// Windows-1252 letters of the bytes 0x80 to 0x9F; 0 where the code page defines none.
constexpr char32_t windows_1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void append_utf8(std::string& out, char32_t c)
{
    if (c < 0x80)
    {
        out += static_cast<char>(c);
    }
    else if (c < 0x800)
    {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t letter_of_byte(unsigned char byte)
{
    if (byte == 0)
        return 0xFFFD;
    if (byte >= 0x80 && byte < 0xA0)
        return windows_1252[byte - 0x80] != 0 ? windows_1252[byte - 0x80] : 0xFFFD;
    return byte;
}
} // namespace

size_t ShownText::sequence_length(std::string_view bytes)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const auto continuation = [&](size_t i) { return i < bytes.size() && (byte(i) & 0xC0) == 0x80; };
    const unsigned char lead = byte(0);
    if (lead == 0)
        return 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return continuation(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF)
    {
        if (!continuation(1) || !continuation(2))
            return 0;
        if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) >= 0xA0))
            return 0; // overlong form, or a surrogate
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4)
    {
        if (!continuation(1) || !continuation(2) || !continuation(3))
            return 0;
        if ((lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) >= 0x90))
            return 0; // overlong form, or beyond U+10FFFF
        return 4;
    }
    return 0;
}

bool ShownText::is_valid_utf8(std::string_view bytes)
{
    for (size_t i = 0; i < bytes.size();)
    {
        // Most texts are plain ASCII.
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte != 0 && byte < 0x80)
        {
            ++i;
            continue;
        }
        const size_t length = sequence_length(bytes.substr(i));
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string ShownText::repaired(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + 16);
    for (size_t i = 0; i < bytes.size();)
    {
        const size_t length = sequence_length(bytes.substr(i));
        if (length == 0)
        {
            append_utf8(out, letter_of_byte(static_cast<unsigned char>(bytes[i])));
            ++i;
        }
        else
        {
            out.append(bytes.data() + i, length);
            i += length;
        }
    }
    return out;
}

std::string ShownText::shortened(std::string_view bytes, size_t limit)
{
    if (bytes.size() <= limit)
        return std::string(bytes);
    size_t end = limit;
    // A UTF-8 sequence is at most four bytes long: back over its continuation bytes.
    for (int step = 0; step < 3 && end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80; ++step)
        --end;
    return std::string(bytes.substr(0, end)) + "...";
}

juce::String ShownText::from_bytes(std::string_view bytes)
{
    if (is_valid_utf8(bytes))
        return juce::String::fromUTF8(bytes.data(), static_cast<int>(bytes.size()));
    const std::string text = repaired(bytes);
    return juce::String::fromUTF8(text.data(), static_cast<int>(text.size()));
}
