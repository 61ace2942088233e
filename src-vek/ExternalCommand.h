#pragma once

#include <string>
#include <vector>

// Another program, started with a list of arguments and never through a shell, so that no
// address or path among them can become a command of its own. The program is found through the
// search path; it reads nothing, writes to no terminal and inherits none of our open files.
class ExternalCommand
{
public:
    explicit ExternalCommand(std::vector<std::string> arguments);

    // Runs the program and waits for it to end. Returns its exit code (128 and the signal number
    // when a signal ended it), or the system's error code when it could not start.
    int run();

    // Starts the program in a session of its own and returns at once; false when it could not
    // start. Nothing waits for it but a thread that collects its exit.
    bool start_detached();

    // The system's error code of a start that failed, 0 otherwise, and its text.
    int start_error = 0;
    std::string start_error_text() const;

    // Hands a file or folder to the desktop's opener (xdg-open) as one argument, whatever quotes
    // or dollar signs its path holds, and returns at once; false when the opener could not start.
    static bool open_on_desktop(const std::string& path);
    // Opens the folder that holds the file.
    static bool reveal_on_desktop(const std::string& path);

    // The arguments as one line for the log: options (from "-") and numbers as they are, every
    // other argument in double quotes, and a space after each.
    std::string command_line() const;

private:
    int spawn(bool new_session);

    std::vector<std::string> arguments;
};
