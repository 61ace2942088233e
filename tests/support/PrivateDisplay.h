#pragma once

#include <string>

#include <sys/types.h>

// A virtual display with a window manager of its own, for a test program that shows windows:
// on a display shared with other tests, a window of a test running beside it would take the
// focus, the keys and the clicks. Sets DISPLAY for this process (and so for the programs it
// starts) while it lives.
class PrivateDisplay
{
public:
    PrivateDisplay();
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // ":N"; empty when the display could not be started.
    const std::string& name() const { return display; }

private:
    std::string display;
    std::string previous_display;
    pid_t server = -1;
    pid_t window_manager = -1;
};
