#include "TestProcess.h"

#include "TestSupport.h"

#include <cstdlib>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

std::string output_of(const juce::StringArray& command)
{
    juce::ChildProcess tool;
    if (! tool.start(command))
        return "";
    // A tool that waits for something the display never does (an activation, a pointer move)
    // must not hang the test: its few lines fit in the pipe while it runs.
    if (! tool.waitForProcessToFinish(15000))
    {
        tool.kill();
        return "(" + command[0].toStdString() + " did not finish within 15 s)";
    }
    return tool.readAllProcessOutput().trim().toStdString();
}

TestProcess::TestProcess(const std::string& path, const std::vector<std::string>& environment)
{
    pid = fork();
    if (pid == 0)
    {
        for (const auto& setting : environment)
            putenv(const_cast<char*>(setting.c_str()));
        execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
}

TestProcess::~TestProcess()
{
    if (pid > 0 && ! finished)
    {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

std::string TestProcess::window_named(const std::string& title, int timeout_ms) const
{
    std::string found;
    pump_until(
        [&] {
            // Both conditions: by default xdotool takes windows that meet either.
            // The first window id; xdotool's complaints about windows that went away meanwhile
            // come on the same output.
            const juce::StringArray lines = juce::StringArray::fromLines(juce::String(output_of(
                {"xdotool", "search", "--all", "--onlyvisible", "--pid", juce::String(pid), "--name", title})));
            found.clear();
            for (const auto& line : lines)
                if (line.isNotEmpty() && line.containsOnly("0123456789"))
                {
                    found = line.toStdString();
                    break;
                }
            return ! found.empty();
        },
        timeout_ms);
    return found;
}

int TestProcess::exit_code(int timeout_ms)
{
    if (finished)
        return code;
    int status = 0;
    const bool ended = pump_until([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeout_ms);
    if (! ended)
        return -1;
    finished = true;
    code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return code;
}

void TestProcess::signal(int number) const
{
    kill(pid, number);
}
