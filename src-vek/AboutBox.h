#pragma once

#include <string>

// The About box (F1): which build of the client runs where and against what. The text also goes
// to the log.
class AboutBox
{
public:
    static constexpr const char* support_address = "support@talvik-logs.example";
    static constexpr const char* web_address = "https://www.talvik-logs.example/vek/";

    // Sixteen lines separated by line feeds, none after the last.
    static std::string text();

    // The platform and processor of this build, as in "Linux, x86_64 build".
    static std::string build_type();

    // Logs the text and shows it in a non-modal box with the brand's About title.
    static void show();
};
