#include "SessionKeeper.h"

#include "DB.h"
#include "Log.h"

#include <algorithm>

SessionKeeper::SessionKeeper(DB& database) : db(database)
{
    startTimer(500);
}

SessionKeeper::~SessionKeeper()
{
    stopTimer();
    // An attempt ends within the connection's own time limit.
    if (attempt.joinable())
        attempt.join();
}

int SessionKeeper::pause_ms(int failures)
{
    int pause = 1000;
    for (int i = 1; i < failures && pause < 30000; ++i)
        pause *= 2;
    return std::min(pause, 30000);
}

void SessionKeeper::timerCallback()
{
    if (db.lost_since() == 0)
    {
        failures = 0;
        db.watch_session();
        return;
    }
    if (attempt.joinable() && ! take_attempt())
        return;
    if (fresh != nullptr)
    {
        // Put in place when nobody uses the old one; a load that failed on it is still unwinding.
        if (db.in_use())
            return;
        failures = 0;
        db.adopt_session(std::move(fresh));
        return;
    }
    if (juce::Time::getMillisecondCounter() >= next_attempt_ms)
        start_attempt();
}

void SessionKeeper::start_attempt()
{
    LogLine() << "reconnecting to the database";
    attempt_done = false;
    attempt = std::thread([this] {
        try
        {
            fresh = db.open_session();
        }
        catch (const std::exception& e)
        {
            failure = e.what();
        }
        catch (...)
        {
            failure = "unknown exception";
        }
        attempt_done = true;
    });
}

bool SessionKeeper::take_attempt()
{
    if (! attempt_done.load())
        return false;
    attempt.join();
    if (fresh == nullptr)
    {
        ++failures;
        const int pause = pause_ms(failures);
        LogLine() << "reconnection failed, next attempt in " << pause << " ms: "
                  << std::string(failure.substr(0, failure.find('\n')));
        next_attempt_ms = juce::Time::getMillisecondCounter() + static_cast<juce::uint32>(pause);
    }
    return true;
}
