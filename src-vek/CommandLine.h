#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

// The two options a Linux user expects of a program, answered before the framework starts: no
// window is opened, nothing is connected and no file is written. Every other argument is left to
// the program, which ignores it.
class CommandLine
{
public:
    // The exit code once --version or --help (the first of them given) has been answered on
    // `out`; nothing when the program should start. The first argument is the program's path.
    static std::optional<int> answer(const std::vector<std::string>& arguments, std::ostream& out);

    static std::string version_text();
    static std::string help_text(const std::string& program);
};
