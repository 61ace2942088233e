#pragma once

#include <juce_events/juce_events.h>


// SIGTERM, SIGHUP and SIGINT (a logout, `kill`, a service manager, CTRL+C in a terminal) ask the
// application to quit the way closing its last window does, so that the normal shutdown saves
// the configuration, records the disconnect and releases the record locks. The signal handler
// only writes the signal's number to a pipe; the message thread reads it and asks the
// application to quit as soon as no modal loop runs. A second signal during the quit ends the
// process at once.
class QuitSignals
{
public:
    // Installs the signal handlers; call on the message thread once the framework runs.
    QuitSignals();
    ~QuitSignals();

    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    // The user stayed when asked on the way out: the next signal asks again, rather than ending
    // the process as a second signal does while the quit goes on.
    static void quit_cancelled();

    // "SIGTERM" and the like, for the signals the program handles; "unnamed signal" for others.
    static const char* signal_name(int number);
};
