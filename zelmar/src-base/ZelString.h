#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Text and time helpers on UTF-8 byte strings. Whitespace and upper-casing
// follow the "C" locale whatever the program's global locale is, so that
// multi-byte UTF-8 sequences pass through untouched.
namespace Zel
{
std::string& trimLeft(std::string& s);
std::string& trimRight(std::string& s);
std::string trim(const std::string& s);
std::string& trimInPlace(std::string& s);

// Tabs, CRs and LFs become spaces, space runs shrink to one, both ends trimmed.
std::string simplifyWhitespace(const std::string& s);
std::string& simplifyWhitespaceInPlace(std::string& s);

std::vector<std::string> splitWords(const std::string& s);
// Non-empty trimmed lines; CR, LF and CRLF each end a line.
std::vector<std::string> splitLines(const std::string& s);

// a to z become A to Z; every other byte, UTF-8 sequences included, stays as it is.
inline char toUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
std::string toUpper(const std::string& s);
std::string& toUpperInPlace(std::string& s);

std::string formatDouble(double value, int decimals);

// Hours are compared with a tolerance of 0.005.
bool approximatelyEqual(double a, double b);
bool approximatelyGreaterOrEqual(double a, double b);
bool approximatelyLessOrEqual(double a, double b);

// "0 bytes", "1 byte", "767 bytes", "0.75 KiB", ... "x.xx YiB".
std::string formatBytes(uint64_t n);

// "5 minutes ago", "in 2 hours"; times are seconds since the epoch.
std::string approximateAge(int64_t t);
std::string approximateAge(int64_t t, int64_t now);

// The whole file as bytes; a file that cannot be opened reads as empty text.
// Throws Zel::Exception only when reading fails part-way.
std::string readFile(const std::string& filename);

std::string version();
}
