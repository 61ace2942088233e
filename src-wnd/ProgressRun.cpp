#include "ProgressRun.h"

#include "DB.h"
#include "Log.h"
#include "VekApp.h"

ProgressRun* ProgressRun::current = nullptr;

ProgressRun::ProgressRun(juce::ThreadWithProgressWindow& thread_with_window) : work(thread_with_window), outer(current)
{
    if (DB* db = VekApplication::database_if_any())
        db->statements_may_run();
    work.addListener(this);
    current = this;
}

ProgressRun::~ProgressRun()
{
    current = outer;
    work.removeListener(this);
    if (DB* db = VekApplication::database_if_any())
        db->statements_may_run();
}

bool ProgressRun::stop_current()
{
    if (current == nullptr)
        return false;
    LogLine() << "stopping the work in progress";
    if (auto* window = current->work.getAlertWindow())
        window->exitModalState(0);
    return true;
}

void ProgressRun::exitSignalSent()
{
    // On the message thread, inside stopThread, before it waits for the thread.
    DB* db = VekApplication::database_if_any();
    if (db == nullptr || ! work.isThreadRunning())
        return;
    db->stop_statement();
    const auto deadline = juce::Time::getMillisecondCounter() + static_cast<juce::uint32>(cancel_grace_ms);
    while (work.isThreadRunning() && db->in_use() && juce::Time::getMillisecondCounter() < deadline)
        juce::Thread::sleep(5);
    if (work.isThreadRunning() && db->in_use())
    {
        LogLine() << "SQL: the server did not end the cancelled statement; closing the session";
        db->break_session();
    }
}
