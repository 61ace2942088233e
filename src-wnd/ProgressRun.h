#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// One run of a progress window's thread, from start to end. Stopping the thread ("Done", ESC,
// cancel, a quit) asks the server to cancel the statement it waits for, so that the thread ends
// by itself and is never killed; a statement that the server does not give up within a few
// seconds ends with the session, which the client then replaces. Runs nest.
class ProgressRun : private juce::Thread::Listener
{
public:
    explicit ProgressRun(juce::ThreadWithProgressWindow& work);
    ~ProgressRun() override;
    ProgressRun(const ProgressRun&) = delete;
    ProgressRun& operator=(const ProgressRun&) = delete;

    // Stops the innermost running work the way its "Done" button does; false when none runs.
    static bool stop_current();

    // How long a cancelled statement may take to end before its session is cut.
    static constexpr int cancel_grace_ms = 5000;

private:
    void exitSignalSent() override;

    juce::ThreadWithProgressWindow& work;
    ProgressRun* const outer;
    static ProgressRun* current;
};
