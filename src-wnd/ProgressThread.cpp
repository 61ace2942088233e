#include "ProgressThread.h"

#include "AlternateSignalStack.h"
#include "DB.h"
#include "Log.h"
#include "ShiftLogSummaryWnd.h"
#include "ShownText.h"
#include "VekApp.h"
#include "WaitingMessage.h"
#include "ZelException.h"

namespace
{
juce::Component* summary_window_if_any()
{
    auto* app = dynamic_cast<VekApplication*>(juce::JUCEApplicationBase::getInstance());
    return app == nullptr ? nullptr : app->summary_window.get();
}
} // namespace

ProgressThread::ProgressThread(int period_code)
    : juce::ThreadWithProgressWindow(ShownText::from_bytes(waiting_message("Loading Maintenance Database")),
                                     true, true, -1, "Done", summary_window_if_any()),
      period(period_code)
{
    if (auto* window = getAlertWindow())
    {
        window->setAlwaysOnTop(true);
        for (auto* child : window->getChildren())
        {
            if (auto* button = dynamic_cast<juce::TextButton*>(child); button != nullptr && child->getName() == "Done")
            {
                done_button = button;
                break;
            }
        }
    }
    if (done_button != nullptr)
    {
        done_button->setEnabled(false);
        done_button->setVisible(false);
        done_button->setTooltip("Press ESC or click \"Done\" if enough maintenance logs have been loaded.");
    }
}

ProgressThread::~ProgressThread()
{
    stopThread(-1);
}

void ProgressThread::run()
{
    const AlternateSignalStack crash_stack;
    LogLine() << "database loading progress thread has started";
    offer_done_button(false);

    std::unique_ptr<LogLoader> loader;
    try
    {
        loader = std::make_unique<LogLoader>(*vek().database, period, *this);
        loader->run();
    }
    catch (...)
    {
        // A statement that the user stopped fails; that is no failure to show.
        if (threadShouldExit())
            LogLine() << "database loading stopped by the user";
        else
            log_and_show_current_exception("ProgressThread::run", "src-wnd/ProgressThread", __LINE__);
    }
    // Rows read before a failure are kept.
    if (loader != nullptr)
    {
        rows = std::move(loader->rows);
        window_date = loader->window_date;
        complete = loader->complete;
    }

    LogLine() << "database loading progress thread has finished";
}

bool ProgressThread::should_stop()
{
    return threadShouldExit();
}

void ProgressThread::status(const std::string& text)
{
    setStatusMessage(ShownText::from_bytes(text));
}

void ProgressThread::progress(double value)
{
    setProgress(value);
}

void ProgressThread::first_chunk_arrived()
{
    offer_done_button(true);
}

void ProgressThread::offer_done_button(bool offer)
{
    if (done_button == nullptr)
        return;
    juce::Component::SafePointer<juce::TextButton> button(done_button);
    juce::MessageManager::callAsync([button, offer] {
        if (button == nullptr)
            return;
        button->setEnabled(offer);
        button->setVisible(offer);
        if (offer)
        {
            button->setWantsKeyboardFocus(true);
            button->grabKeyboardFocus();
        }
    });
}
