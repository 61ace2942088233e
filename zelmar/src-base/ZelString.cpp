#include "ZelString.h"

#include "ZelException.h"

#include <charconv>
#include <cmath>
#include <ctime>
#include <fstream>

namespace
{
// isspace() of the "C" locale, independent of setlocale().
bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Copies src[begin, end) into dst[out...] with tabs, CRs and LFs turned into
// spaces and space runs reduced to one. dst may be src itself as long as
// out <= begin, because the output never grows faster than the input.
size_t collapseSpaces(const char* src, size_t begin, size_t end, char* dst, size_t out)
{
    bool previousSpace = false;
    for (size_t i = begin; i < end; ++i)
    {
        char c = src[i];
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
        if (c == ' ' && previousSpace)
            continue;
        previousSpace = c == ' ';
        dst[out++] = c;
    }
    return out;
}

// The whitespace at both ends survives the tab/CR/LF replacement and the
// collapsing as whitespace, so trimming the input first gives the same result
// and lets the collapsing run only once over the kept part.
void trimmedBounds(const std::string& s, size_t& begin, size_t& end)
{
    begin = 0;
    end = s.size();
    while (begin < end && isSpace(s[begin]))
        ++begin;
    while (end > begin && isSpace(s[end - 1]))
        --end;
}
}

std::string& Zel::trimLeft(std::string& s)
{
    size_t i = 0;
    while (i < s.size() && isSpace(s[i]))
        ++i;
    s.erase(0, i);
    return s;
}

std::string& Zel::trimRight(std::string& s)
{
    size_t n = s.size();
    while (n > 0 && isSpace(s[n - 1]))
        --n;
    s.resize(n);
    return s;
}

std::string Zel::trim(const std::string& s)
{
    size_t begin, end;
    trimmedBounds(s, begin, end);
    return s.substr(begin, end - begin);
}

std::string& Zel::trimInPlace(std::string& s)
{
    return trimLeft(trimRight(s));
}

std::string Zel::simplifyWhitespace(const std::string& s)
{
    size_t begin, end;
    trimmedBounds(s, begin, end);
    std::string result(end - begin, '\0');
    result.resize(collapseSpaces(s.data(), begin, end, &result[0], 0));
    return result;
}

std::string& Zel::simplifyWhitespaceInPlace(std::string& s)
{
    size_t begin, end;
    trimmedBounds(s, begin, end);
    s.resize(collapseSpaces(s.data(), begin, end, &s[0], 0));
    return s;
}

std::vector<std::string> Zel::splitWords(const std::string& s)
{
    const std::string simple = simplifyWhitespace(s);
    std::vector<std::string> words;
    size_t start = 0;
    while (start < simple.size())
    {
        size_t space = simple.find(' ', start);
        if (space == std::string::npos)
            space = simple.size();
        words.push_back(simple.substr(start, space - start));
        start = space + 1;
    }
    return words;
}

std::vector<std::string> Zel::splitLines(const std::string& s)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < s.size())
    {
        size_t stop = s.find_first_of("\r\n", start);
        if (stop == std::string::npos)
            stop = s.size();
        std::string line = s.substr(start, stop - start);
        trimInPlace(line);
        if (!line.empty())
            lines.push_back(std::move(line));
        start = stop + 1;
        if (stop + 1 < s.size() && s[stop] == '\r' && s[stop + 1] == '\n')
            ++start;
    }
    return lines;
}

std::string Zel::toUpper(const std::string& s)
{
    std::string result(s);
    return toUpperInPlace(result);
}

std::string& Zel::toUpperInPlace(std::string& s)
{
    for (char& c : s)
        c = toUpper(c);
    return s;
}

std::string Zel::formatDouble(double value, int decimals)
{
    if (decimals < 0)
        decimals = 0;
    // Room for the 309 integer digits of the largest double, sign and point.
    std::string buffer(320 + static_cast<size_t>(decimals), '\0');
    char* first = &buffer[0];
    const auto result = std::to_chars(first, first + buffer.size(), value, std::chars_format::fixed, decimals);
    buffer.resize(static_cast<size_t>(result.ptr - first));
    return buffer;
}

bool Zel::approximatelyEqual(double a, double b)
{
    return std::fabs(a - b) < 0.005;
}

bool Zel::approximatelyGreaterOrEqual(double a, double b)
{
    return a >= b || approximatelyEqual(a, b);
}

bool Zel::approximatelyLessOrEqual(double a, double b)
{
    return a <= b || approximatelyEqual(a, b);
}

std::string Zel::formatBytes(uint64_t n)
{
    static const char units[] = "KMGTPEZY";
    double x = static_cast<double>(n);
    int i = 0;
    while (x >= 768 && i < 8)
    {
        x /= 1024;
        ++i;
    }
    if (i == 0)
        return std::to_string(n) + (n == 1 ? " byte" : " bytes");
    return formatDouble(x, 2) + " " + units[i - 1] + "iB";
}

std::string Zel::approximateAge(int64_t t)
{
    return approximateAge(t, static_cast<int64_t>(std::time(nullptr)));
}

std::string Zel::approximateAge(int64_t t, int64_t now)
{
    const bool future = t > now;
    // Unsigned wrap-around gives the exact distance even between the extreme
    // int64 values, where a signed subtraction would overflow.
    const uint64_t d = future ? static_cast<uint64_t>(t) - static_cast<uint64_t>(now)
                              : static_cast<uint64_t>(now) - static_cast<uint64_t>(t);
    std::string text;
    if (d <= 180)
        text = std::to_string(d) + (d == 1 ? " second" : " seconds");
    else if (d <= 7200)
        text = std::to_string(d / 60) + " minutes";
    else if (d <= 172800)
        text = std::to_string(d / 3600) + " hours";
    else if (d <= 1209600)
        text = std::to_string(d / 86400) + " days";
    else if (d <= 5443200)
        text = std::to_string(d / 604800) + " weeks";
    // Months run on until two whole years (2 * 31556926 s), not only to 24
    // months (63113832 s): in the 19 seconds between, the years row would
    // say "1 years".
    else if (d < 63113852)
        text = std::to_string(d / 2629743) + " months";
    else
        text = std::to_string(d / 31556926) + " years";
    return future ? "in " + text : text + " ago";
}

std::string Zel::readFile(const std::string& filename)
{
    // A file that cannot be opened only sets failbit and reads as empty text:
    // callers treat a missing download as "nothing there".
    std::ifstream in(filename, std::ios::in | std::ios::binary);
    std::string content;
    char buffer[16384];
    while (in)
    {
        in.read(buffer, sizeof buffer);
        content.append(buffer, static_cast<size_t>(in.gcount()));
    }
    if (in.bad())
        throw Zel::Exception("Zel::readFile", "src-base/ZelString", __LINE__, "Failed to read " + filename + ".");
    return content;
}

std::string Zel::version()
{
    return "0.0.1-3289";
}
