#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>
#include <string>

// A coloured line above the summary table while the connection to the database is lost, shown
// once per loss and gone when a new session is in place. Its parent lays it out while visible.
class ConnectionNotice : public juce::Label, private juce::Timer
{
public:
    ConnectionNotice();

    // "The connection to the database was lost at " the local time "%H:%M", ". Reconnecting...".
    static std::string text_for(std::int64_t lost_at);

    // Shows or hides the line as the connection is; the parent lays out again on a change.
    void follow_connection();

private:
    void timerCallback() override { follow_connection(); }

    std::int64_t shown_for = 0;
};
