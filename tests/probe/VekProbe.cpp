// The client's safety nets in a program of their own, with triggers that the shipped client does
// not have. It starts as the client starts, then fails the way VEK_PROBE says:
//   terminate  an exception thrown from a destructor while another one unwinds
//   segv       a write to an address that is not mapped
//   overflow   endless recursion on the message thread
//   worker-overflow  endless recursion on a worker thread with its crash stack
//   segv-without-heap  a segv after which malloc or operator new ends the probe with 99
//   sigkill    a log line, then SIGKILL at once
//   click      a window whose button throws at its first click and answers the later ones
//   edit       starts as the client does, then opens the entry VEK_PROBE_ENTRY in an editor window
//              and keeps it open until the process ends
//   save       starts as the client does, waits for the file VEK_PROBE_GO to appear, then saves
//              VEK_PROBE_SAVES new entries cloned from VEK_PROBE_ENTRY, back to back; exit code 0
//              when all of them were saved
//   summary    starts as the client does, with the summary window; after its first load opens
//              every loaded entry in an editor, types VEK_PROBE_TEXT into the problem of
//              VEK_PROBE_ENTRY and saves it once VEK_PROBE_GO appears
//   watch      as summary, but filters with VEK_PROBE_TEXT, sorts by log number, selects the first
//              row, and logs when rows with the problems VEK_PROBE_NEW and VEK_PROBE_CHANGED show,
//              then the view and whether a modal window came up
//   save with VEK_PROBE_CHANGE: also sets that entry's problem to VEK_PROBE_CHANGED; logs commits
// Message boxes are written to the log instead of waiting for a click. Log lines of the editing
// modes name the probe by $USER, which also names it to other clients.
#include "AlternateSignalStack.h"
#include "EditorWnd.h"
#include "Interaction.h"
#include "Log.h"
#include "QuitSignals.h"
#include "ShiftLogSummaryWnd.h"
#include "ShownText.h"
#include "VekApp.h"
#include "ZelException.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <new>
#include <set>
#include <stdexcept>
#include <thread>
#include <utility>

#include <unistd.h>

// Once a crash has begun the heap is out of bounds: malloc and operator new end the probe with 99.
static std::atomic<bool> crash_begun{false};
static void no_heap_after_the_crash()
{
    if (crash_begun.load())
        ::_exit(99);
}
// The C library's own allocator under its other name; the sanitizers bring a malloc of their own.
#ifndef __SANITIZE_ADDRESS__
extern "C" void* __libc_malloc(std::size_t size);
extern "C" void* malloc(std::size_t size)
{
    no_heap_after_the_crash();
    return __libc_malloc(size);
}
#endif
void* operator new(std::size_t size)
{
    no_heap_after_the_crash();
    if (void* memory = std::malloc(size == 0 ? 1 : size))
        return memory;
    throw std::bad_alloc();
}
// The standard library frees what this one hands out with the plain operator delete below.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    no_heap_after_the_crash();
    return std::malloc(size == 0 ? 1 : size);
}
// The compiler cannot see that our operator new hands out malloc's memory.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
#pragma GCC diagnostic pop

namespace
{
class LoggingInteraction : public Interaction
{
public:
    void show_message_box(Icon, const std::string& title, const std::string& message, const std::string&) override
    {
        LogLine() << "probe box: " << title << ": " << message;
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

// Logs where its button's centre is on the screen whenever that changes, so that a test can
// click there without asking the window manager where the window went.
class ThrowingButtonComponent : public juce::Component, private juce::Timer
{
public:
    ThrowingButtonComponent()
    {
        startTimer(100);
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
    void timerCallback() override
    {
        if (! button.isShowing())
            return;
        const juce::Point<int> centre = button.getScreenBounds().getCentre();
        if (centre == logged_centre)
            return;
        logged_centre = centre;
        LogLine() << "probe button at " << centre.x << " " << centre.y;
    }

    juce::Point<int> logged_centre;
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

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

int commit(EditorComponent& editor, const std::string& name)
{
    const bool saved = editor.save_order();
    LogLine() << "probe " << name << ": committed #" << editor.dbid << " at " << juce::Time::currentTimeMillis();
    return saved ? 1 : 0;
}

// New entries cloned from a stored one, saved one after another as soon as the go file exists.
class SavingProbe : public juce::Timer
{
public:
    SavingProbe() { startTimer(5); }

    void timerCallback() override
    {
        if (! juce::File(environment("VEK_PROBE_GO")).exists())
            return;
        stopTimer();
        const auto source = std::stoull(environment("VEK_PROBE_ENTRY"));
        const int count = std::stoi(environment("VEK_PROBE_SAVES"));
        const std::string name = environment("USER");
        int saved = 0;
        for (int i = 1; i <= count; ++i)
        {
            EditorComponent editor(true);
            editor.load_order(source, true);
            editor.author.select_dbid(1);
            editor.shift.select_dbid(1);
            editor.status.select_dbid(1);
            const std::string text = environment("VEK_PROBE_NEW");
            editor.problem.setText(juce::String(text.empty() ? name + " " + std::to_string(i) : text), false);
            saved += commit(editor, name);
        }
        if (! environment("VEK_PROBE_CHANGE").empty())
        {
            EditorComponent editor(true);
            editor.load_order(std::stoull(environment("VEK_PROBE_CHANGE")), false);
            editor.problem.setText(juce::String(environment("VEK_PROBE_CHANGED")), false);
            saved -= 1 - commit(editor, name);
        }
        LogLine() << "probe " << name << ": saved " << saved << " of " << count;
        juce::JUCEApplicationBase::getInstance()->setApplicationReturnValue(saved == count ? 0 : 1);
        juce::JUCEApplicationBase::quit();
    }
};

// Drives the summary window as a user would.
class SummaryProbe : public juce::Timer
{
public:
    SummaryProbe() { startTimer(100); }

    void timerCallback() override
    {
        auto& app = dynamic_cast<VekApplication&>(*juce::JUCEApplicationBase::getInstance());
        if (app.summary_window == nullptr || app.summary_window->component.all_rows.empty())
            return;
        ShiftLogSummaryComponent& summary = app.summary_window->component;
        if (last == nullptr && summary.isEnabled())
        {
            for (int row = 0; row < summary.getNumRows(); ++row)
                summary.open_existing_entry(row);
            last = summary.editor_for(std::stoull(environment("VEK_PROBE_ENTRY")));
            last->component.problem.setText(ShownText::from_bytes(environment("VEK_PROBE_TEXT")), true);
        }
        // The editor's lists fill in after it opens; the typed text is valid once they are there.
        if (last != nullptr && ! ready)
        {
            last->component.validate_fields();
            ready = last->component.save_button.isEnabled();
            if (ready)
                LogLine() << "probe: editors open, save button enabled 1";
        }
        if (ready && ! saved && juce::File(environment("VEK_PROBE_GO")).exists())
        {
            saved = true;
            last->component.buttonClicked(&last->component.save_button);
            LogLine() << "probe: save clicked, saved " << last->component.was_saved();
        }
    }

private:
    EditorWnd* last = nullptr;
    bool ready = false;
    bool saved = false;
};

// Watches the summary window as a user would, while another client saves.
class WatchProbe : public juce::Timer
{
public:
    WatchProbe() { startTimer(20); }

    void timerCallback() override
    {
        auto& app = dynamic_cast<VekApplication&>(*juce::JUCEApplicationBase::getInstance());
        if (app.summary_window == nullptr)
            return;
        ShiftLogSummaryComponent& summary = app.summary_window->component;
        if (! ready && ! summary.all_rows.empty() && summary.isEnabled() && summary.applied_words.empty())
        {
            summary.filter_box.setText(ShownText::from_bytes(environment("VEK_PROBE_TEXT")), true);
            summary.apply_filter(false);
            summary.table.getHeader().setSortColumnId(2, true); // sorts at the next message
        }
        else if (! ready && ! summary.applied_words.empty() && in_number_order(summary))
        {
            summary.table.selectRow(0);
            ready = true;
            LogLine() << "probe watch: ready, " << view(summary);
        }
        if (! ready)
            return;
        modal_seen |= juce::ModalComponentManager::getInstance()->getNumModalComponents() > 0 || summary.all_rows.empty();
        for (const SummaryRow* row : summary.visible_rows)
            for (const char* setting : {"VEK_PROBE_NEW", "VEK_PROBE_CHANGED"})
                if (row->cell(18) == environment(setting) && seen.insert(setting).second)
                    LogLine() << "probe watch: shows #" << row->id << " " << row->cell(2) << " " << setting << " at "
                              << juce::Time::currentTimeMillis();
        if (seen.size() == 2 && ! std::exchange(reported, true))
            LogLine() << "probe watch: after, " << view(summary) << ", modal " << modal_seen;
    }

private:
    // The header sorts at a later message, which a slow build may not have reached by the next
    // tick. The site's log numbers follow its ids.
    static bool in_number_order(const ShiftLogSummaryComponent& summary)
    {
        return std::is_sorted(summary.visible_rows.begin(), summary.visible_rows.end(),
                              [](const SummaryRow* a, const SummaryRow* b) { return a->id < b->id; });
    }

    static std::string view(ShiftLogSummaryComponent& summary)
    {
        const auto& header = summary.table.getHeader();
        std::string selected;
        for (int i = 0; i < summary.table.getNumSelectedRows(); ++i)
            selected += " #" + std::string(summary.visible_rows[static_cast<std::size_t>(summary.table.getSelectedRow(i))]->cell(1));
        return "filter " + summary.filter_box.getText().toStdString() + ", sort " + std::to_string(header.getSortColumnId())
               + (header.isSortedForwards() ? " forwards" : " backwards") + ", selected" + selected;
    }

    bool ready = false;
    bool modal_seen = false;
    bool reported = false;
    std::set<std::string> seen;
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
        else if (mode == "worker-overflow")
        {
            std::thread([] {
                const AlternateSignalStack crash_stack;
                LogLine() << recurse(0);
            }).join();
        }
        else if (mode == "segv-without-heap")
        {
            crash_begun = true;
            volatile std::uintptr_t unmapped = 16;
            *reinterpret_cast<volatile int*>(unmapped) = 1;
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
        else if (mode == "summary" || mode == "watch")
        {
            Interaction::set(&boxes);
            quit_signals.reset();
            VekApplication::initialise({});
            if (mode == "watch")
                watch_probe = std::make_unique<WatchProbe>();
            else
                summary_probe = std::make_unique<SummaryProbe>();
        }
        else if (mode == "edit" || mode == "save")
        {
            Interaction::set(&boxes);
            quit_signals.reset(); // the client's start installs its own
            VekApplication::initialise({});
            current_role_id = 1;
            if (mode == "save")
            {
                saving = std::make_unique<SavingProbe>();
                LogLine() << "probe " << environment("USER") << ": ready";
                return;
            }
            editor = std::make_unique<EditorWnd>(std::stoull(environment("VEK_PROBE_ENTRY")));
            LogLine() << "probe " << environment("USER") << ": editor for #" << editor->dbid << ": locked "
                      << editor->component.is_locked << ", read-only " << editor->component.is_read_only();
        }
    }

    void shutdown() override
    {
        window.reset();
        if (summary_probe != nullptr || watch_probe != nullptr)
        {
            summary_probe.reset();
            watch_probe.reset();
            VekApplication::shutdown();
        }
        if (editor != nullptr || saving != nullptr)
        {
            saving.reset();
            editor.reset();
            VekApplication::shutdown();
        }
        LogLine() << "probe: shut down";
    }

private:
    LoggingInteraction boxes;
    std::unique_ptr<ProbeWindow> window;
    std::unique_ptr<EditorWnd> editor;
    std::unique_ptr<SavingProbe> saving;
    std::unique_ptr<SummaryProbe> summary_probe;
    std::unique_ptr<WatchProbe> watch_probe;
};
} // namespace

START_JUCE_APPLICATION(ProbeApplication)
