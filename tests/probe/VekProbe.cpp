// The client's safety nets in a program of their own, with triggers that the shipped client does
// not have. It starts as the client starts, then fails the way VEK_PROBE says:
//   terminate  an exception thrown from a destructor while another one unwinds
//   segv       a write to an address that is not mapped
//   overflow   endless recursion on the message thread
//   sigkill    a log line, then SIGKILL at once
//   click      a window whose button throws at its first click and answers the later ones
// Message boxes are written to the log instead of waiting for a click.
#include "Interaction.h"
#include "Log.h"
#include "QuitSignals.h"
#include "VekApp.h"
#include "ZelException.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <csignal>
#include <cstdlib>
#include <stdexcept>

namespace
{
class LoggingInteraction : public Interaction
{
public:
    void show_message_box(Icon, const std::string& title, const std::string&, const std::string&) override
    {
        LogLine() << "probe box: " << title;
    }

    void show_message_box_async(Icon icon, const std::string& title, const std::string& message) override
    {
        show_message_box(icon, title, message, "");
    }
};

struct ThrowsWhenDestroyed
{
    ~ThrowsWhenDestroyed() noexcept(false) { throw std::runtime_error("thrown from a destructor"); }
};

// Deeper than any stack: the limit only hides the endless recursion from the compiler.
volatile int recursion_limit = 1 << 30;

__attribute__((noinline)) int recurse(int depth)
{
    if (depth > recursion_limit)
        return 0;
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    return recurse(depth + 1) + frame[0];
}

class ThrowingButtonComponent : public juce::Component
{
public:
    ThrowingButtonComponent()
    {
        addAndMakeVisible(button);
        button.onClick = [this] {
            ++clicks;
            LogLine() << "probe click " << clicks;
            if (clicks == 1)
                throw Zel::Exception("ThrowingButtonComponent", "tests/probe/VekProbe", __LINE__,
                                     "the button's handler failed");
        };
        setSize(300, 200);
    }

    void resized() override { button.setBounds(getLocalBounds()); }

private:
    juce::TextButton button{"Throw"};
    int clicks = 0;
};

class ProbeWindow : public juce::DocumentWindow
{
public:
    ProbeWindow() : juce::DocumentWindow("VEK probe", juce::Colours::grey, juce::DocumentWindow::allButtons)
    {
        setUsingNativeTitleBar(true);
        setContentOwned(new ThrowingButtonComponent, true);
        setTopLeftPosition(100, 100);
        setVisible(true);
    }

    void closeButtonPressed() override { juce::JUCEApplicationBase::quit(); }
};

class ProbeApplication : public VekApplication
{
public:
    void initialise(const juce::String&) override
    {
        install_crash_handlers();
        quit_signals = std::make_unique<QuitSignals>();
        const char* mode_setting = std::getenv("VEK_PROBE");
        const std::string mode = mode_setting != nullptr ? mode_setting : "";
        LogLine() << "probe: " << mode;

        if (mode == "terminate")
        {
            try
            {
                ThrowsWhenDestroyed thrower;
                throw std::runtime_error("unwinding");
            }
            catch (...)
            {
            }
        }
        else if (mode == "segv")
        {
            const LogGroup group;
            LogLine() << "probe: grouped line before the fault";
            volatile std::uintptr_t unmapped = 16;
            *reinterpret_cast<volatile int*>(unmapped) = 1;
        }
        else if (mode == "overflow")
        {
            LogLine() << recurse(0);
        }
        else if (mode == "sigkill")
        {
            LogLine() << "probe: last words before SIGKILL";
            std::raise(SIGKILL);
        }
        else if (mode == "click")
        {
            Interaction::set(&boxes);
            window = std::make_unique<ProbeWindow>();
        }
    }

    void shutdown() override
    {
        window.reset();
        LogLine() << "probe: shut down";
    }

private:
    LoggingInteraction boxes;
    std::unique_ptr<ProbeWindow> window;
};
} // namespace

START_JUCE_APPLICATION(ProbeApplication)
