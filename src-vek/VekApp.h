#pragma once

#include "ReferenceStore.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>

class AdminWnd;
class Cfg;
class DB;
class QuitSignals;
class ReportGenerator;
class RolePickWnd;
class ShiftLogSummaryWnd;
class VekLookAndFeel;

// The application object: owns everything that lives as long as the program, and runs the
// numbered jobs that change which top-level window is on screen. The reference-data store is
// part of it.
class VekApplication : public juce::JUCEApplication, public ReferenceStore
{
public:
    enum Job : unsigned
    {
        job_invalid = 0,
        job_initialize_and_load_number = 1,
        job_show_first_window = 2,
        job_show_role_pick_window = 3,
        job_shift_log_summary_window = 4,
        job_about_window = 5,
        job_admin_window = 6,
        job_show_users = 7,
        job_shutdown = 8,
        job_create_fake_logs = 9,
        job_no_op = 10
    };

    juce::TooltipWindow tooltip_window{nullptr, 700};
    std::uint64_t current_role_id = 0;
    std::unique_ptr<VekLookAndFeel> look_and_feel;
    std::unique_ptr<Cfg> cfg;
    std::unique_ptr<DB> database;
    std::unique_ptr<RolePickWnd> role_pick_window;
    std::unique_ptr<ShiftLogSummaryWnd> summary_window;
    std::unique_ptr<AdminWnd> admin_window;
    std::unique_ptr<ReportGenerator> report_generator;
    std::unique_ptr<QuitSignals> quit_signals;

    VekApplication();
    ~VekApplication() override;

    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override;
    void initialise(const juce::String& commandLine) override;
    void shutdown() override;
    void anotherInstanceStarted(const juce::String& commandLine) override;
    void systemRequestedQuit() override;
    void suspended() override;
    void resumed() override;
    void unhandledException(const std::exception* exception, const juce::String& sourceFilename,
                            int lineNumber) override;
    void memoryWarningReceived() override;
    bool backButtonPressed() override;

    // Runs one job at once, on the calling thread. A job that fails is reported and ends the
    // program with exit code 1.
    void run(unsigned job);

    static std::string job_name(unsigned job);

    std::set<std::uint64_t> departments_for_current_role() const;

    // Asks the framework to quit as soon as no modal loop runs: a quit requested inside the loop of
    // a progress window would leave that loop waiting for a timer that never fires again.
    static void quit_when_no_modal_loop();

    // Whether the framework has been asked to quit; no modal loop may start then.
    static bool quitting();

    // The database object of the running application, or null when there is none (yet).
    static DB* database_if_any();

private:
    void job_initialize_and_load();
    void job_show_first_window_now();
    void job_show_role_pick();
    void job_show_summary();
    void job_show_admin();
};

// The running application object; throws when there is none.
VekApplication& vek();

// The last resorts of a fatal failure: each writes its lines straight to the log file, waiting on
// no lock, and ends the process: with exit code 2 after std::terminate, 1 after a crash. On
// POSIX systems the crash handler receives the signal number where Windows passes an exception
// record.
void VEK_CPlusPlus_Terminate_Handler();
void VEK_Juce_Crash_Handler(void* info);

// Installs both; the first thing the program does.
void install_crash_handlers();

// The name of a Windows structured exception code, "UNKNOWN EXCEPTION" for any other.
std::string exception_code_name(std::uint32_t code);
