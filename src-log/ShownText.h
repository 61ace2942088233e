#pragma once

#include <juce_core/juce_core.h>

#include <string>
#include <string_view>

// Bytes from outside the program (the database, the web server, files, other programs) as a
// text to show. Valid UTF-8 is taken byte for byte. Any other byte is shown as the letter it
// stands for in Windows-1252, the encoding of the older texts that reach us through SQL_ASCII
// databases and old web servers, so "Caf\xE9" reads "Café" rather than "Caf?"; the five bytes
// Windows-1252 leaves undefined, and NUL, show as U+FFFD. Nothing is read past the end.
class ShownText
{
public:
    static juce::String from_bytes(std::string_view bytes);

    // True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or code points
    // beyond U+10FFFF) without NUL, that is when from_bytes shows them unchanged.
    static bool is_valid_utf8(std::string_view bytes);

    // The bytes as from_bytes shows them, as UTF-8.
    static std::string repaired(std::string_view bytes);

    // At most `limit` bytes of the text, cut before a character rather than inside one, and "..."
    // after them when something was left out: for a table cell or a log line, never for a text
    // that is edited or saved.
    static std::string shortened(std::string_view bytes, size_t limit);

private:
    // The length of the well-formed UTF-8 sequence at the start of the bytes, 0 when there is none.
    static size_t sequence_length(std::string_view bytes);
};
