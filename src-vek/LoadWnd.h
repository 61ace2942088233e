#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <atomic>
#include <string>
#include <vector>

// Digits to which display numbers are zero-padded in log numbers; measured at start-up.
extern std::atomic<unsigned> display_number_width;

// The number of digits of (highest display number + 5); 1 for an empty table.
unsigned display_number_width_for(long long highest_display_number, bool table_empty);

// The start-up sequence in its modal progress window: session time zone, the "connect" event,
// the database revision, the web server's newer version and message of the day, the
// display-number width and every reference table.
class LoadWnd : public juce::ThreadWithProgressWindow
{
public:
    bool success = false;
    double total = 0;
    double done = 0;

    LoadWnd();
    ~LoadWnd() override;

    void run() override;

    // Moves the progress display on by `increment` units and shows `text` when it is not empty.
    virtual void loading(double increment, const std::string& text);
    virtual void set_session_time_zone();
    virtual void verify_database_version();
    virtual void verify_client_version();
    virtual void show_message_of_the_day();
    virtual void load_tables();
    virtual void find_display_number_width();

    // The zones to try, in order: the configured one (or the default), the operating system's
    // standard offset, and two fixed fall-backs.
    static std::vector<std::string> time_zone_candidates(const std::string* configured,
                                                         const std::string* system_offset);

    // "UTC" and the whole-hour offset of a standard bias in minutes (UTC minus local time).
    static std::string utc_offset_name(long bias_minutes);

    // The local zone's standard bias from the C library's zone information.
    static long local_standard_bias_minutes();

    // The message of a database revision mismatch.
    static std::string revision_mismatch_message(int server_revision);
};
