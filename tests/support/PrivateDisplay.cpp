#include "PrivateDisplay.h"

#include "TestProcess.h"

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
void stop(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}
} // namespace

PrivateDisplay::PrivateDisplay()
{
    if (const char* current = std::getenv("DISPLAY"))
        previous_display = current;

    int numbers[2];
    if (pipe(numbers) != 0)
        return;
    server = fork();
    if (server == 0)
    {
        close(numbers[0]);
        const std::string fd = std::to_string(numbers[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(numbers[1]);
    std::string number;
    char c = 0;
    while (read(numbers[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(numbers[0]);
    if (number.empty())
        return;

    display = ":" + number;
    setenv("DISPLAY", display.c_str(), 1);
    // Windows get their title bars and focus only once the window manager owns the screen. A
    // window manager that could not connect yet is started again.
    for (int attempt = 0; attempt < 200; ++attempt)
    {
        if (window_manager > 0 && waitpid(window_manager, nullptr, WNOHANG) == window_manager)
            window_manager = -1;
        if (window_manager <= 0)
        {
            window_manager = fork();
            if (window_manager == 0)
            {
                execlp("openbox", "openbox", static_cast<char*>(nullptr));
                _exit(127);
            }
        }
        if (output_of({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).find("window id") != std::string::npos)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

PrivateDisplay::~PrivateDisplay()
{
    stop(window_manager);
    stop(server);
    if (previous_display.empty())
        unsetenv("DISPLAY");
    else
        setenv("DISPLAY", previous_display.c_str(), 1);
}
