#include "VekApp.h"

#include "AboutBox.h"
#include "AdminWnd.h"
#include "Brand.h"
#include "Cfg.h"
#include "CrashReport.h"
#include "DB.h"
#include "FakeLogs.h"
#include "History.h"
#include "InformationBoxes.h"
#include "Interaction.h"
#include "LoadWnd.h"
#include "Log.h"
#include "LoginRights.h"
#include "ProgressRun.h"
#include "QuitSignals.h"
#include "ReportGenerator.h"
#include "RolePickWnd.h"
#include "ShiftLogSummaryWnd.h"
#include "ShownText.h"
#include "UsersReport.h"
#include "VekLookAndFeel.h"
#include "ZelException.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <sstream>

#include <unistd.h>

VekApplication& vek()
{
    auto* app = dynamic_cast<VekApplication*>(juce::JUCEApplicationBase::getInstance());
    if (app == nullptr)
        throw Zel::Exception("vek", "src-vek/VekApp", __LINE__, "failed to find an active application pointer");
    return *app;
}

VekApplication::VekApplication() = default;

namespace
{
void forget_quit_retry();
}

VekApplication::~VekApplication()
{
    forget_quit_retry();
    quit_signals.reset();
    report_generator.reset();
    admin_window.reset();
    summary_window.reset();
    role_pick_window.reset();
    database.reset();
    cfg.reset();
    if (look_and_feel != nullptr)
        uninstall_look_and_feel();
    look_and_feel.reset();
}

const juce::String VekApplication::getApplicationName()
{
    return ShownText::from_bytes(Brand::current().application_name);
}

const juce::String VekApplication::getApplicationVersion()
{
    return vek_version;
}

bool VekApplication::moreThanOneInstanceAllowed()
{
    return true;
}

void VekApplication::initialise(const juce::String&)
{
    install_crash_handlers();
    quit_signals = std::make_unique<QuitSignals>();
    LogLine() << "starting Talvik Maintenance Logs v" << vek_version;
    run(job_initialize_and_load_number);
}

void VekApplication::shutdown()
{
    LogLine() << "shutting down Talvik Maintenance Logs";

    if (role_pick_window != nullptr)
        role_pick_window->setVisible(false);
    if (summary_window != nullptr)
        summary_window->setVisible(false);
    if (admin_window != nullptr)
        admin_window->setVisible(false);

    add_history_event(HistoryEvent::disconnect, 0, "client stop");

    // Each window saves its state to the configuration when deleted; the configuration writes
    // everything pending when it is deleted after them.
    report_generator.reset();
    summary_window.reset();
    role_pick_window.reset();
    admin_window.reset();
    database.reset();
    cfg.reset();

    uninstall_look_and_feel();
    look_and_feel.reset();
    quit_signals.reset();
}

void VekApplication::anotherInstanceStarted(const juce::String&)
{
}

void VekApplication::systemRequestedQuit()
{
    // A progress window's loop would never end once the framework quits: the work stops first,
    // as "Done" stops it, and the quit follows when its window is gone.
    if (ProgressRun::stop_current())
    {
        juce::Timer::callAfterDelay(100, [] {
            if (auto* app = juce::JUCEApplicationBase::getInstance())
                app->systemRequestedQuit();
        });
        return;
    }
    if (summary_window == nullptr)
    {
        Interaction::get().quit_application();
        return;
    }
    // Typed text is never lost on the way out: the user saves it, discards it or stays.
    summary_window->component.settle_unsaved_edits([] { Interaction::get().quit_application(); },
                                                   [this] {
                                                       QuitSignals::quit_cancelled();
                                                       if (summary_window != nullptr)
                                                       {
                                                           summary_window->setEnabled(true);
                                                           summary_window->setVisible(true);
                                                       }
                                                   });
}

void VekApplication::suspended()
{
}

void VekApplication::resumed()
{
}

void VekApplication::unhandledException(const std::exception* exception, const juce::String& sourceFilename,
                                        int lineNumber)
{
    log_and_show_exception(exception, sourceFilename.toStdString(), lineNumber);
}

void VekApplication::memoryWarningReceived()
{
}

bool VekApplication::backButtonPressed()
{
    return false;
}

std::string VekApplication::job_name(unsigned job)
{
    switch (job)
    {
        case job_invalid: return "invalid";
        case job_initialize_and_load_number: return "initialize and load";
        case job_show_first_window: return "show first window";
        case job_show_role_pick_window: return "show role pick window";
        case job_shift_log_summary_window: return "shift log summary window";
        case job_about_window: return "about window";
        case job_admin_window: return "admin window";
        case job_show_users: return "show users";
        case job_shutdown: return "shutdown";
        case job_create_fake_logs: return "create fake logs";
        case job_no_op: return "no-op";
        default: return "?";
    }
}

void VekApplication::run(unsigned job)
{
    LogLine() << "running job #" << job << ": \"" << job_name(job) << "\"";

    try
    {
        switch (job)
        {
            case job_initialize_and_load_number: job_initialize_and_load(); break;
            case job_show_first_window: job_show_first_window_now(); break;
            case job_show_role_pick_window: job_show_role_pick(); break;
            case job_shift_log_summary_window: job_show_summary(); break;
            case job_about_window: AboutBox::show(); break;
            case job_admin_window: job_show_admin(); break;
            case job_show_users: UsersReport::show(); break;
            case job_create_fake_logs:
                if (database == nullptr)
                    throw Zel::Exception("VekApplication::run", "src-vek/VekApp", __LINE__,
                                         "cannot create fake logs without a database connection");
                FakeLogs(*database).add_log_entries(1000, static_cast<std::uint64_t>(epoch_now()));
                break;
            case job_shutdown:
                if (auto* app = juce::JUCEApplicationBase::getInstance())
                    app->systemRequestedQuit();
                break;
            default: break;
        }
    }
    catch (...)
    {
        log_and_show_current_exception("VekApplication::run", "src-vek/VekApp", __LINE__);
        Interaction::get().exit_process(1);
    }
}

void VekApplication::job_initialize_and_load()
{
    const Brand& brand = Brand::current();
    auto* splash = new juce::SplashScreen(ShownText::from_bytes(brand.splash_title), get_logo_image(), false);
    std::unique_ptr<juce::SplashScreen> splash_owner(splash);

    look_and_feel.reset();
    look_and_feel = install_look_and_feel();
    cfg = std::make_unique<Cfg>();
    database.reset();
    database = std::make_unique<DB>(*cfg);
    report_generator.reset();
    report_generator = std::make_unique<ReportGenerator>();

    LoadWnd load_window;
    load_window.runThread(juce::Thread::Priority::normal);

    if (! load_window.success)
    {
        Zel::Exception e("VekApplication::job_initialize_and_load", "src-vek/VekApp", __LINE__,
                         "Load thread failed to complete.");
        log_and_show_exception(&e, "src-vek/VekApp", __LINE__);
        e.report_pending = false;
        throw e;
    }

    // From here on the splash screen deletes itself.
    splash_owner.release()->deleteAfterDelay(juce::RelativeTime::seconds(1.0), true);
    current_role_id = static_cast<std::uint64_t>(cfg->getValue("role_id", "0").getLargeIntValue());
    run(job_show_first_window);
}

void VekApplication::job_show_first_window_now()
{
    // A remembered role that the database login may not take is as good as unknown.
    if (roles.count(current_role_id) != 0 && LoginRights::of_running_application().may_take(current_role_id))
    {
        LogLine() << "need to invoke the shift log summary window";
        run(job_shift_log_summary_window);
    }
    else
    {
        LogLine() << "need to invoke the role pick window";
        run(job_show_role_pick_window);
    }
}

void VekApplication::job_show_role_pick()
{
    auto window = std::make_unique<RolePickWnd>();
    std::swap(window, role_pick_window);
}

void VekApplication::job_show_summary()
{
    LogLine() << "starting the log summary window for role #" << current_role_id << " ("
              << roles.at(current_role_id).name << ")";
    auto window = std::make_unique<ShiftLogSummaryWnd>();
    std::swap(window, summary_window);
}

void VekApplication::job_show_admin()
{
    LogLine() << "starting the admin tool for role #" << current_role_id << " (" << roles.at(current_role_id).name
              << ")";
    auto window = std::make_unique<AdminWnd>();
    std::swap(window, admin_window);
}

std::set<std::uint64_t> VekApplication::departments_for_current_role() const
{
    return departments_for_role(current_role_id);
}

namespace
{
// The next look at whether the quit may go on; owned here, so that none is left behind when the
// application ends while it waits.
class QuitRetry : public juce::Timer
{
public:
    void timerCallback() override
    {
        stopTimer();
        VekApplication::quit_when_no_modal_loop();
    }
};
std::unique_ptr<QuitRetry> quit_retry;

void forget_quit_retry()
{
    quit_retry.reset();
}

// A progress window or a box waiting for its button; an information box holds nothing up.
bool a_modal_loop_runs()
{
    auto* modal = juce::ModalComponentManager::getInstance();
    for (int index = 0; index < modal->getNumModalComponents(); ++index)
        if (const auto* component = modal->getModalComponent(index))
            if (! InformationBoxes::contains(*component))
                return true;
    return false;
}
} // namespace

void VekApplication::quit_when_no_modal_loop()
{
    // A message of its own: a timer due in the same pass may just have opened a progress window.
    juce::MessageManager::callAsync([] {
        auto* app = juce::JUCEApplicationBase::getInstance();
        if (app == nullptr)
            return;
        if (app->isInitialising() || a_modal_loop_runs())
        {
            if (quit_retry == nullptr)
                quit_retry = std::make_unique<QuitRetry>();
            quit_retry->startTimer(100);
        }
        else
            app->systemRequestedQuit();
    });
}

bool VekApplication::quitting()
{
    return juce::MessageManager::getInstance()->hasStopMessageBeenSent();
}

DB* VekApplication::database_if_any()
{
    auto* app = dynamic_cast<VekApplication*>(juce::JUCEApplicationBase::getInstance());
    return app == nullptr ? nullptr : app->database.get();
}

namespace
{
// A handler that hangs (a lock held by the thread that failed) must not leave a frozen window on
// the user's desk: the alarm's default action ends the process.
void end_a_hanging_handler_after_seconds(unsigned seconds)
{
    ::alarm(seconds);
}

[[noreturn]] void end_process(int code)
{
    Interaction::get().exit_process(code);
    std::_Exit(code); // a recorder returns; a fatal failure may not go on
}

// The message thread's stack overflow still finds a stack to report it on.
void give_the_crash_handler_a_stack_of_its_own()
{
    static char alternate_stack[256 * 1024];
    stack_t stack{};
    stack.ss_sp = alternate_stack;
    stack.ss_size = sizeof(alternate_stack);
    if (::sigaltstack(&stack, nullptr) != 0)
        return;
    struct sigaction action{};
    if (::sigaction(SIGSEGV, nullptr, &action) == 0 && action.sa_handler != SIG_DFL && action.sa_handler != SIG_IGN)
    {
        action.sa_flags |= SA_ONSTACK;
        ::sigaction(SIGSEGV, &action, nullptr);
    }
}
} // namespace

std::string exception_code_name(std::uint32_t code)
{
    switch (code)
    {
        case 0x80000002: return "EXCEPTION_DATATYPE_MISALIGNMENT";
        case 0x80000003: return "EXCEPTION_BREAKPOINT";
        case 0x80000004: return "EXCEPTION_SINGLE_STEP";
        case 0xC0000005: return "EXCEPTION_ACCESS_VIOLATION";
        case 0xC0000006: return "EXCEPTION_IN_PAGE_ERROR";
        case 0xC000001D: return "EXCEPTION_ILLEGAL_INSTRUCTION";
        case 0xC0000025: return "EXCEPTION_NONCONTINUABLE_EXCEPTION";
        case 0xC0000026: return "EXCEPTION_INVALID_DISPOSITION";
        case 0xC000008C: return "EXCEPTION_ARRAY_BOUNDS_EXCEEDED";
        case 0xC000008D: return "EXCEPTION_FLT_DENORMAL_OPERAND";
        case 0xC000008E: return "EXCEPTION_FLT_DIVIDE_BY_ZERO";
        case 0xC000008F: return "EXCEPTION_FLT_INEXACT_RESULT";
        case 0xC0000090: return "EXCEPTION_FLT_INVALID_OPERATION";
        case 0xC0000091: return "EXCEPTION_FLT_OVERFLOW";
        case 0xC0000092: return "EXCEPTION_FLT_STACK_CHECK";
        case 0xC0000093: return "EXCEPTION_FLT_UNDERFLOW";
        case 0xC0000094: return "EXCEPTION_INT_DIVIDE_BY_ZERO";
        case 0xC0000095: return "EXCEPTION_INT_OVERFLOW";
        case 0xC0000096: return "EXCEPTION_PRIV_INSTRUCTION";
        case 0xC00000FD: return "EXCEPTION_STACK_OVERFLOW";
        default: return "UNKNOWN EXCEPTION";
    }
}

void VEK_CPlusPlus_Terminate_Handler()
{
    end_a_hanging_handler_after_seconds(10);
    write_log_group_unlocked();
    write_log_line_unlocked("terminate handler invoked");
    const Zel::Exception e("VEK_CPlusPlus_Terminate_Handler", "src-vek/VekApp", __LINE__, "terminate handler invoked");
    write_log_line_unlocked(e.describe());
    end_process(2);
}

void VEK_Juce_Crash_Handler(void* info)
{
    end_a_hanging_handler_after_seconds(10);
    write_log_group_unlocked();
#if JUCE_WINDOWS
    if (info != nullptr)
    {
        const auto* record = static_cast<EXCEPTION_POINTERS*>(info)->ExceptionRecord;
        const auto code = static_cast<std::uint32_t>(record->ExceptionCode);
        std::ostringstream line;
        line << "crash handler:" << " code=" << code << " (" << exception_code_name(code) << ")"
             << " flag=" << record->ExceptionFlags << " addr=" << record->ExceptionAddress
             << " parms=" << record->NumberParameters;
        write_log_line_unlocked(line.str());
        for (DWORD i = 0; i < record->NumberParameters; ++i)
            write_log_line_unlocked("parm #" + std::to_string(i + 1) + ": "
                                    + std::to_string(static_cast<std::uint64_t>(record->ExceptionInformation[i])));
    }
    else
    {
        write_log_line_unlocked("crash handler invoked (no exception pointer available)");
    }
#else
    // Composed on the stack: the heap may be what failed.
    const auto number = static_cast<int>(reinterpret_cast<std::intptr_t>(info));
    char line[64];
    std::snprintf(line, sizeof(line), "crash handler: signal %d (%s)", number, QuitSignals::signal_name(number));
    write_log_line_unlocked(line);
#endif

    // From here on nothing allocates or locks: the crash may have come from inside malloc.
    const int fd = CrashReport::descriptor();
#if ! JUCE_WINDOWS
    CrashReport::write_line(fd, "crash handler invoked (no exception pointer available)");
#endif
    CrashReport::write_backtrace(fd);
    CrashReport::write_description(fd, "crash handler invoked", "VEK_Juce_Crash_Handler", "src-vek/VekApp", __LINE__);
    // Not through the interaction seam: flushing the standard streams takes their locks.
    std::_Exit(1);
}

void install_crash_handlers()
{
    std::set_terminate(VEK_CPlusPlus_Terminate_Handler);
    juce::SystemStats::setApplicationCrashHandler(VEK_Juce_Crash_Handler);
    give_the_crash_handler_a_stack_of_its_own();
    CrashReport::prepare();
}
