#pragma once

#include "CsvExport.h"
#include "ReportWriter.h"
#include "SummaryRow.h"
#include "ZelException.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Writes a report of log entries into the user's documents folder behind a progress window with
// a cancel button, then shows it in the file manager and opens it with the desktop's opener.
// A report is shown only when it was written whole: it is written into a hidden file beside its
// final name and moved into place when complete, so a failure never leaves a truncated report
// behind and never opens an older one. A cancelled report keeps the entries written so far and
// says so in its title. The application owns one generator for its whole run.
class ReportGenerator : public juce::ThreadWithProgressWindow, protected ReportWriter::Observer
{
public:
    // The inputs of the report being made; the export takes the writer's rows and columns.
    ReportWriter writer;
    CsvExport csv;
    // The report being written; cleared once it has been opened.
    juce::File output_file;

    // What the last run left: the rows in the report, whether a report was kept, its failure.
    std::size_t rows_written = 0;
    bool kept = false;
    bool failed = false;
    Zel::Exception failure;

    ReportGenerator();
    ~ReportGenerator() override;

    // A user's request, on the message thread, for a report of a ReportWriter type or for the
    // export (CsvExport::report_type): takes the inputs with the summary table's
    // columns, sort order and applied filter, writes the report behind the modal progress
    // window, then shows and opens it, or says why there is none.
    void generate(int type, std::vector<SummaryRow> rows, const std::string& option_text);

    void run() override;

    // Writes the report as `target` through a hidden file beside it, moved into place only when
    // whole. Returns the rows written: all of them, or those written before a cancel. Throws when
    // the file cannot be written or moved.
    std::size_t write_report(const juce::File& target);

    // The report folder: the brand code's folder in the user's documents folder, created when
    // missing. Throws when it cannot be created.
    static juce::File report_folder();

    // The desktop's own opener (xdg-open) on the search path, or a file that does not exist.
    static juce::File desktop_opener();

protected:
    // The writer's questions: the cancel button, and the progress shown.
    bool should_stop() override;
    void entry_started(std::size_t index, std::size_t total) override;

private:
    juce::uint32 next_status_time = 0;

    // Writes the document into `file`; see ReportWriter::write.
    std::size_t write_file(const juce::File& file, ReportWriter::Observer& observer, std::size_t kept_rows);

    // Shows the written report in the file manager and opens it, or says where it is.
    void close_output();
};
