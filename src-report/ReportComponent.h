#pragma once

#include "SummaryRow.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstddef>
#include <string>
#include <vector>

class ShiftLogSummaryComponent;

// The report options in the call-out box of the summary window's reports button: which entries
// (the selected rows, the rows that pass the filter or all loaded rows, each choice labelled with
// its count) and which kind of report, or a spreadsheet export. Each of those buttons hands the chosen rows to the
// application's report generator.
class ReportComponent : public juce::Component, public juce::Button::Listener
{
public:
    juce::ToggleButton selected_choice{"selected logs"};
    juce::ToggleButton filtered_choice{"filtered logs"};
    juce::ToggleButton all_choice{"all logs"};
    juce::TextButton summary_button{"summary report"};
    juce::TextButton detailed_button{"detailed report"};
    juce::TextButton totals_button{"totals report"};
    juce::TextButton export_button{"CSV export"};

    // The counts are taken once, now: selected, visible (filtered) and loaded rows.
    explicit ReportComponent(ShiftLogSummaryComponent& summary);
    ~ReportComponent() override;

    void resized() override;
    void buttonClicked(juce::Button* button) override;

    // Enables the report and export buttons exactly when the chosen option covers at least one row.
    virtual void update_report_buttons();

    // Copies of the chosen option's rows, in the table's order.
    virtual std::vector<SummaryRow> chosen_rows() const;

    // The rows the chosen option covers; 0 when no choice is on.
    std::size_t covered_count() const;

private:
    ShiftLogSummaryComponent& summary;
    const std::size_t selected_count;
    const std::size_t filtered_count;
    const std::size_t all_count;
};
