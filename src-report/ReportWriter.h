#pragma once

#include "SummaryRow.h"
#include "TotalsReport.h"

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// The HTML of a report: a summary table, one row per entry with the columns that the summary
// table shows; a detailed table, a block of five rows per entry; or the totals of the entries by
// group and by week, each table with a bar chart drawn in inline SVG. Every text that comes from
// the database, the machine or the filter box is escaped, so none of it can change the page's
// markup. The document is composed in memory and goes to the stream in large pieces.
class ReportWriter
{
public:
    // Told of the progress and asked whether to stop, once per entry.
    class Observer
    {
    public:
        virtual ~Observer() = default;
        virtual bool should_stop() { return false; }
        // Before entry `index` (from 0) of `total`.
        virtual void entry_started(std::size_t, std::size_t) {}
    };

    // A visible column of the summary table, as its header shows it.
    struct Column
    {
        int id;
        std::string name;
    };

    static constexpr int summary = 1;
    static constexpr int detailed = 2;
    static constexpr int totals = 3;
    static constexpr std::size_t every_row = static_cast<std::size_t>(-1);

    // What the report shows, taken on the message thread before the writing starts.
    int report_type = summary;
    std::vector<SummaryRow> rows;
    std::string option_text;
    std::string time_text;
    std::string role_name;
    std::vector<std::string> filter_words;
    std::vector<Column> columns; // in display order
    int sort_column = 0;
    bool sort_forwards = true;

    // The summary table's columns, filled when its header row is written.
    std::vector<int> column_ids;

    // Writes the document with every row; or, for a report that was stopped, with the first
    // `kept` rows and a title that says how many of the chosen rows it holds. Returns the number
    // of rows written, fewer when the observer asked to stop or the stream failed.
    std::size_t write(std::ostream& out, Observer& observer, std::size_t kept = every_row);

    // "&", "<" and ">" as entities; everything else unchanged.
    static std::string escape(std::string_view text);

    // "summary", "detailed", "totals", "invalid" (0) or "unknown".
    static std::string type_name(int type);

    // The address of the product's documentation, named in every report's head.
    static const char* documentation_address;

private:
    std::ostream* out = nullptr;
    Observer* observer = nullptr;
    // The document is composed here, `used` bytes of it so far, and goes out when it is full.
    std::vector<char> buffer;
    std::size_t used = 0;
    std::size_t limit = 0;
    std::size_t written = 0;
    // The cells of the row being written that hold markup characters, one bit per cell.
    std::uint32_t dirty_cells = 0;

    void write_head();
    void write_title();
    void write_column_header_row();
    void write_summary_table();
    void write_detailed_table();
    void write_totals();
    void write_totals_table(const std::string& heading, const char* column, const std::vector<TotalsReport::Group>& groups,
                            std::size_t charted);
    void write_bar_chart(const std::vector<TotalsReport::Group>& groups, std::size_t charted);
    void write_end();

    // Asks the observer, and stops on a failed stream too.
    bool next_entry(std::size_t index);
    void put(std::string_view text);
    void put_escaped(std::string_view text);
    void start_row(const SummaryRow& row);
    void put_cell(const SummaryRow& row, int index);
    void line(std::string_view text);
    void make_room(std::size_t bytes);
    void flush();
};
