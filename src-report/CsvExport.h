#pragma once

#include "ReportWriter.h"
#include "SummaryRow.h"

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class DB;

// Log entries as a spreadsheet file: the summary table's visible columns in their order under
// their header texts, one record per entry, quoted as RFC 4180 has it, in UTF-8 with CRLF line
// ends. The problem and action are the full texts with their line breaks, which the table
// shows shortened to one line. A byte order mark first, so that spreadsheets take it as UTF-8.
class CsvExport
{
public:
    // The report generator's type for an export, and its file beside the reports.
    static constexpr int report_type = 4;
    static constexpr const char* file_name = "logs.csv";

    std::vector<ReportWriter::Column> columns; // in display order

    // The full problem and action texts by entry id, valid UTF-8; a row without them has its cells
    // written.
    std::unordered_map<std::uint64_t, std::pair<std::string, std::string>> full_texts;

    // Reads the full texts of the rows' entries, a thousand entries to a statement.
    void read_full_texts(DB& db, const std::vector<SummaryRow>& rows);

    // Writes the header and the first `kept` rows; returns the rows written, fewer when the
    // observer asked to stop or the stream failed.
    std::size_t write(std::ostream& out, const std::vector<SummaryRow>& rows, ReportWriter::Observer& observer,
                      std::size_t kept = ReportWriter::every_row) const;

    // One field: in quotes, its quotes doubled, when it holds a quote, a comma or a line break.
    static void append_field(std::string& out, std::string_view text);

private:
    static std::string_view text_of(const SummaryRow& row, int column, std::string& number);
    static void append_full_text(std::string& out, const std::string& text);
    static void append_quoted(std::string& out, std::string_view text);
};
