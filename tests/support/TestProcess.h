#pragma once

#include <juce_core/juce_core.h>

#include <string>
#include <vector>

#include <sys/types.h>

// What a command printed, trimmed; empty when it could not be started. A command that has not
// ended within 15 s is killed.
std::string output_of(const juce::StringArray& command);

// A program of ours in a process of its own, on this process's display, home and log folder;
// killed when the object goes unless it has ended.
class TestProcess
{
public:
    explicit TestProcess(const std::string& path, const std::vector<std::string>& environment = {});
    ~TestProcess();
    TestProcess(const TestProcess&) = delete;
    TestProcess& operator=(const TestProcess&) = delete;

    // The id of this process's visible window whose title contains the text; empty once the time
    // is up. Ask again before using it: a window may be replaced by a new one of the same title.
    std::string window_named(const std::string& title, int timeout_ms) const;

    // The exit code (128 + the signal's number when a signal ended it), or -1 when the process is
    // still running after the time.
    int exit_code(int timeout_ms);

    // Sends the signal.
    void signal(int number) const;

    pid_t pid = -1;

private:
    bool finished = false;
    int code = -1;
};
