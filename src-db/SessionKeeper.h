#pragma once

#include <juce_events/juce_events.h>
#include <pqxx/pqxx>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

class DB;

// Keeps the client's database session. It notices a session that the server has ended, and then
// opens a new one with the same settings, pausing 1 s after the first failed attempt and twice as
// long after each further one, up to 30 s. Attempts run on a thread of their own, so that no
// window waits for a server that does not answer; the new session is put in place on the message
// thread, once nothing uses the old one.
class SessionKeeper : private juce::Timer
{
public:
    explicit SessionKeeper(DB& db);
    ~SessionKeeper() override;
    SessionKeeper(const SessionKeeper&) = delete;
    SessionKeeper& operator=(const SessionKeeper&) = delete;

    // The pause before the next attempt after `failures` failed ones, in milliseconds.
    static int pause_ms(int failures);

private:
    void timerCallback() override;
    void start_attempt();
    // Takes the finished attempt's result; false while it is still running.
    bool take_attempt();

    DB& db;
    int failures = 0;
    juce::uint32 next_attempt_ms = 0;
    std::thread attempt;
    std::atomic<bool> attempt_done{false};
    std::unique_ptr<pqxx::connection> fresh;
    std::string failure;
};
