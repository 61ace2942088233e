#pragma once

#include <string>

#include <sys/types.h>

// A virtual display with a window manager of its own, for a test that drives windows with
// focus, keys or clicks: on the display the other tests share, a window of a test running beside
// it would take the focus and the keys. Sets DISPLAY for this process (and so for the programs
// it starts) while it lives.
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
