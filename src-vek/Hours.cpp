#include "Hours.h"

#include "ZelString.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <regex>

namespace
{
const double one_minute = 1.0 / 60.0;

// The longest leading decimal number of a group's text, read like strtod but
// independent of the locale: "1.2.3" reads 1.2, "90m" reads 90, ".25" reads 0.25.
// Returns false when the text starts with no number at all ("." or "..").
bool leading_number(const std::string& text, double& value)
{
    const char* first = text.data();
    const char* last = first + text.size();
    const auto result = std::from_chars(first, last, value, std::chars_format::fixed);
    if (result.ec == std::errc::invalid_argument)
        return false;
    if (result.ec == std::errc::result_out_of_range)
    {
        // Like strtod: too many integer digits overflow, a long run of zeros
        // after the point underflows.
        bool integer_digits = false;
        for (const char* p = first; p < result.ptr && *p != '.'; ++p)
            integer_digits = integer_digits || *p != '0';
        value = integer_digits ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return true;
}
}

std::string hours_text(double hours)
{
    if (hours != 0 && hours < one_minute)
        hours = one_minute;
    // Kept as doubles so that values beyond any integer type cannot overflow.
    double whole = 0;
    const double minutes = std::round(std::modf(hours, &whole) * 60.0);
    if (!(whole > 0) && !(minutes > 0))
        return "";
    std::string text = Zel::formatDouble(whole, 0) + "h";
    if (minutes != 0)
    {
        text = whole == 0 ? "" : text + " ";
        text += Zel::formatDouble(minutes, 0) + "m";
    }
    return text;
}

double hours_value_of_text(const std::string& text)
{
    static const std::regex pattern(
        "^ *(?:([0-9]{1,2}):([0-9]{2})|([.0-9]+)[Hh]?|([.0-9]+[Mm])|([.0-9]+)[Hh] *([.0-9]+)[Mm]) *$",
        std::regex::ECMAScript);

    // No hours text is this long, and the engine recurses once per byte of a run of digits.
    if (text.size() > 64)
        return -1;
    std::string input = text.empty() ? "0" : text;
    if (input[0] == '.')
        input = "0" + input;

    std::smatch match;
    if (!std::regex_match(input, match, pattern))
        return -1;

    double hours = 0;
    double a = 0;
    double b = 0;
    if (match[1].matched && match[2].matched)
    {
        if (!leading_number(match[1].str(), a) || !leading_number(match[2].str(), b))
            return -1;
        hours = a + b / 60;
    }
    else if (match[3].matched)
    {
        if (!leading_number(match[3].str(), hours))
            return -1;
    }
    else if (match[4].matched)
    {
        if (!leading_number(match[4].str(), a))
            return -1;
        hours = a / 60;
    }
    else
    {
        if (!leading_number(match[5].str(), a) || !leading_number(match[6].str(), b))
            return -1;
        hours = a + b / 60;
    }

    // A number too long for a double is no duration.
    if (!std::isfinite(hours))
        return -1;
    return hours;
}

double hours_from_text(const std::string& text)
{
    const double hours = hours_value_of_text(text);
    return hours < one_minute ? -1 : hours;
}
