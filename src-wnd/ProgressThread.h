#pragma once

#include "LogLoader.h"
#include "ProgressRun.h"
#include "SummaryRow.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <string>
#include <vector>

// Loads the summary table's rows behind a modal progress window. The user may stop early with
// ESC or "Done" and keep what has been read; the thread then ends by itself.
class ProgressThread : public juce::ThreadWithProgressWindow, public LogLoader::Observer
{
public:
    int period;
    juce::TextButton* done_button = nullptr;
    std::vector<SummaryRow> rows;
    // The loader's: the first day of the window read, and whether all of it was read.
    std::string window_date;
    bool complete = false;

    explicit ProgressThread(int period_code);
    ~ProgressThread() override;

    void run() override;

    bool should_stop() override;
    void status(const std::string& text) override;
    void progress(double value) override;
    void first_chunk_arrived() override;

private:
    // Stopping the load cancels its statement on the server.
    ProgressRun progress_run{*this};

    // Shows, enables and focuses the done button (or hides and disables it), on the message thread.
    void offer_done_button(bool offer);
};
