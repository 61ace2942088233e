#include "ReportWriter.h"

#include "Brand.h"
#include "History.h"
#include "ShownText.h"
#include "TotalsReport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace
{
// The document goes to the stream in pieces of about this size.
constexpr std::size_t piece_bytes = 1 << 16;

bool is_markup(char c)
{
    return c == '&' || c == '<' || c == '>';
}

std::string_view entity_of(char c)
{
    using namespace std::string_view_literals;
    return c == '&' ? "&amp;"sv : c == '<' ? "&lt;"sv : "&gt;"sv;
}

const std::string_view wrapping_cell = "\t\t<td style=\"white-space: normal;\">";
const std::string_view plain_cell = "\t\t<td>";

// The largest groups of a grouping that its chart shows; its table lists them all.
constexpr std::size_t charted_groups = 20;

std::string hours_figure(double hours)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f", hours);
    return text;
}

std::string group_name(std::string_view name)
{
    return name.empty() ? std::string("(none)") : std::string(name);
}

// A chart's label: the name as shown, at most 32 letters, never a letter cut in two.
std::string chart_label(std::string_view name)
{
    std::string text = ShownText::repaired(group_name(name));
    std::size_t letters = 0;
    for (std::size_t at = 0; at < text.size(); ++at)
    {
        if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80 && ++letters > 32)
        {
            text.resize(at);
            return text + "\xE2\x80\xA6";
        }
    }
    return text;
}

// The length of a bar of `value` in a chart whose longest bar, for `largest`, is `full` long.
int bar_length(double value, double largest, int full)
{
    return largest > 0 && value > 0 ? static_cast<int>(value / largest * full + 0.5) : 0;
}

// Columns whose texts may wrap in the summary table: cost center, system, equipment description,
// author, category, problem and action.
bool wraps(int column_id)
{
    switch (column_id)
    {
        case 10:
        case 11:
        case 13:
        case 15:
        case 17:
        case 18:
        case 19: return true;
        default: return false;
    }
}
} // namespace

const char* ReportWriter::documentation_address = "https://talvik-logs.example/vek/doc/";

std::string ReportWriter::escape(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text)
    {
        if (is_markup(c))
            escaped.append(entity_of(c));
        else
            escaped += c;
    }
    return escaped;
}

std::string ReportWriter::type_name(int type)
{
    switch (type)
    {
        case 0: return "invalid";
        case summary: return "summary";
        case detailed: return "detailed";
        case totals: return "totals";
        default: return "unknown";
    }
}

std::size_t ReportWriter::write(std::ostream& stream, Observer& progress_observer, std::size_t kept)
{
    out = &stream;
    observer = &progress_observer;
    limit = std::min(kept, rows.size());
    written = 0;
    used = 0;
    buffer.resize(piece_bytes);

    write_head();
    write_title();
    if (report_type == summary)
        write_summary_table();
    else if (report_type == detailed)
        write_detailed_table();
    else if (report_type == totals)
        write_totals();
    write_end();
    flush();
    return written;
}

inline void ReportWriter::put(std::string_view text)
{
    if (text.size() > buffer.size() - used)
        make_room(text.size());
    std::memcpy(buffer.data() + used, text.data(), text.size());
    used += text.size();
}

inline void ReportWriter::line(std::string_view text)
{
    if (text.size() + 1 > buffer.size() - used)
        make_room(text.size() + 1);
    std::memcpy(buffer.data() + used, text.data(), text.size());
    used += text.size();
    buffer[used++] = '\n';
}

void ReportWriter::put_escaped(std::string_view text)
{
    // Bytes that are not UTF-8 are written as the letters the client shows for them.
    std::string repaired;
    if (! ShownText::is_valid_utf8(text))
    {
        repaired = ShownText::repaired(text);
        text = repaired;
    }
    std::size_t start = 0;
    for (std::size_t at = 0; at < text.size(); ++at)
    {
        if (is_markup(text[at]))
        {
            put(text.substr(start, at - start));
            put(entity_of(text[at]));
            start = at + 1;
        }
    }
    put(text.substr(start));
}

void ReportWriter::start_row(const SummaryRow& row)
{
    // Cells 1 to 21 in upper case hold the same markup characters and non-ASCII bytes as the
    // cells themselves: a search of them all finds the few cells that need a closer look.
    dirty_cells = 0;
    const std::string_view cells = row.upper_cells();
    for (const char markup : {'&', '<', '>'})
        for (std::size_t at = cells.find(markup); at != std::string_view::npos; at = cells.find(markup, at + 1))
            dirty_cells |= 1u << row.cell_at(at);

    unsigned char bytes = 0;
    for (const char c : cells)
        bytes |= static_cast<unsigned char>(c);
    if ((bytes & 0x80) == 0)
        return;
    for (std::size_t at = 0; at < cells.size(); ++at)
    {
        if ((static_cast<unsigned char>(cells[at]) & 0x80) != 0)
        {
            const int cell = row.cell_at(at);
            dirty_cells |= 1u << cell;
            at = row.next_cell_start(cell) - 1;
        }
    }
}

inline void ReportWriter::put_cell(const SummaryRow& row, int index)
{
    if ((dirty_cells & (1u << index)) == 0)
        put(row.cell(index));
    else
        put_escaped(row.cell(index));
}

void ReportWriter::make_room(std::size_t bytes)
{
    flush();
    if (bytes > buffer.size())
        buffer.resize(bytes);
}

void ReportWriter::flush()
{
    if (used > 0 && out->good())
        out->write(buffer.data(), static_cast<std::streamsize>(used));
    used = 0;
}

bool ReportWriter::next_entry(std::size_t index)
{
    if (index >= limit || observer->should_stop() || ! out->good())
        return false;
    observer->entry_started(index, rows.size());
    return true;
}

void ReportWriter::write_head()
{
    line("<!DOCTYPE html>");
    line("<html lang=\"en\">");
    line("<head>");
    line("\t<meta charset=\"UTF-8\"/>");
    put("\t<title>VEK - ");
    put_escaped(role_name);
    put(" - " + type_name(report_type) + " report");
    if (limit < rows.size())
        put(" (cancelled: " + std::to_string(limit) + " of " + std::to_string(rows.size()) + " logs)");
    line("</title>");
    line("\t<!-- " + Brand::current().title_prefix + short_product_name + " -->");
    line(std::string("\t<!-- ") + documentation_address + " -->");
    // Escaped, so that no name can end the comment early.
    put("\t<!-- ");
    put_escaped(user_identity());
    line(" -->");
    put("\t<!-- ");
    put_escaped(time_text);
    line(" -->");
    line("\t<style>");
    line("h1 { font-size: 115%; line-height: 80%; }");
    line("h2 { font-size:  75%; line-height: 80%; }");
    line("table { border-collapse: collapse; border: 1px solid black; }");
    line("th, td { white-space: nowrap; border: 1px solid black; }");
    line(".mono { font-family: 'Courier New', Courier, 'Lucida Console', Monaco, monospace; }");
    line("\t</style>");
    line("</head>");
    line("<body>");
}

void ReportWriter::write_title()
{
    std::string type = type_name(report_type);
    type[0] = static_cast<char>(type[0] - 'a' + 'A');
    put("<h1>" + type + " Report: ");
    put_escaped(role_name);
    line(" Maintenance Logs</h1>");
    line("<p>");
    if (! filter_words.empty())
    {
        put("Filter: <span class=\"mono\">");
        for (const auto& word : filter_words)
        {
            put(" ");
            put_escaped(word);
        }
        line("</span><br/>");
    }
    put("Report on ");
    put_escaped(option_text);
    line(".<br/>");
    if (limit < rows.size())
        line("Cancelled: this report holds " + std::to_string(limit) + " of the " + std::to_string(rows.size())
             + " chosen logs.<br/>");
    put_escaped(time_text);
    line("<br/>");
    line("</p>");
}

void ReportWriter::write_column_header_row()
{
    line("\t<tr>");
    column_ids.clear();
    for (const auto& column : columns)
    {
        if (column.id == 22 && column.id != sort_column)
            continue;
        column_ids.push_back(column.id);
        put("\t\t<th>");
        put_escaped(column.name);
        if (column.id == sort_column && limit > 1)
            put(sort_forwards ? " &#9650;" : " &#9660;");
        line("</th>");
    }
    line("\t</tr>");
}

void ReportWriter::write_summary_table()
{
    line("<table>");
    write_column_header_row();

    // What goes before each cell: the end of the row's start or of the cell before, and the
    // cell's own start; one piece each, since the rows are many.
    std::vector<std::string> openings;
    for (const int id : column_ids)
        openings.push_back(std::string(openings.empty() ? "\t<tr>\n" : "</td>\n")
                           + std::string(wraps(id) ? wrapping_cell : plain_cell));
    const std::string_view ending = openings.empty() ? "\t<tr>\n\t</tr>\n" : "</td>\n\t</tr>\n";

    for (std::size_t i = 0; next_entry(i); ++i)
    {
        const SummaryRow& row = rows[i];
        start_row(row);
        for (std::size_t k = 0; k < column_ids.size(); ++k)
        {
            put(openings[k]);
            if (column_ids[k] == 22)
                put(std::to_string(row.search_count));
            else
                put_cell(row, column_ids[k]);
        }
        put(ending);
        written = i + 1;
    }
    if (written > 10)
        write_column_header_row();
    line("</table>");
}

void ReportWriter::write_detailed_table()
{
    line("<table>");
    for (std::size_t i = 0; next_entry(i); ++i)
    {
        const SummaryRow& row = rows[i];
        start_row(row);
        if (i > 0)
        {
            line("\t<tr style=\"border-left: 1px solid white; border-right: 1px solid white;\">");
            line("\t\t<td colspan=\"5\" style=\"border: none;\">&nbsp;</td>");
            line("\t</tr>");
        }

        line("\t<tr>");
        put("\t\t<th>");
        put_cell(row, 2);
        line("</th>");
        put("\t\t<td colspan=\"4\">");
        put_cell(row, 10);
        put(" &rightarrow; ");
        put_cell(row, 11);
        put(" &rightarrow; ");
        put_cell(row, 12);
        put(" ");
        put_cell(row, 13);
        line("</td>");
        line("\t</tr>");

        line("\t<tr>");
        put("\t\t<th>");
        put_cell(row, 14);
        line("</th>");
        put("\t\t<td>");
        put_cell(row, 15);
        line("</td>");
        put("\t\t<td>");
        put_cell(row, 16);
        line(" Shift</td>");
        put("\t\t<td colspan=\"2\">");
        put_cell(row, 17);
        line("</td>");
        line("\t</tr>");

        // Entries that are not complete show their status in pink, open ones their time span.
        line("\t<tr>");
        put(row.upper_cell(9).find("COMPLETE") != std::string_view::npos
                ? "\t\t<th>"
                : "\t\t<th style=\"background-color: #fdd;\">");
        put_cell(row, 9);
        line("</th>");
        if (! row.cell(7).empty())
        {
            put("\t\t<td colspan=\"2\">");
            put_cell(row, 5);
            put(" &rightarrow; ");
            put_cell(row, 7);
        }
        else
        {
            put("\t\t<td colspan=\"2\" style=\"background-color: #fdd;\">");
            put_cell(row, 5);
        }
        line("</td>");
        if (! row.cell(21).empty())
        {
            put("\t\t<td>");
            put_cell(row, 20);
            line("</td>");
            put("\t\t<td>");
            put_cell(row, 21);
            line("</td>");
        }
        else
        {
            put("\t\t<td colspan=\"2\">");
            put_cell(row, 20);
            line("</td>");
        }
        line("\t</tr>");

        line("\t<tr>");
        line("\t\t<th>Problem</th>");
        put("\t\t<td colspan=\"4\" style=\"white-space: pre-wrap;\">");
        put_cell(row, 18);
        line("</td>");
        line("\t</tr>");

        line("\t<tr>");
        line("\t\t<th>Action</th>");
        put("\t\t<td colspan=\"4\" style=\"white-space: pre-wrap;\">");
        put_cell(row, 19);
        line("</td>");
        line("\t</tr>");
        written = i + 1;
    }
    line("</table>");
}

void ReportWriter::write_totals()
{
    TotalsReport report;
    for (std::size_t i = 0; next_entry(i); ++i)
    {
        report.add(rows[i]);
        written = i + 1;
    }
    report.finish();

    put("<p>" + std::to_string(report.entries) + " entries, " + hours_figure(report.hours) + " hours");
    if (! report.weeks.empty())
        put(", in the weeks from " + report.weeks.front().name + " to " + report.weeks.back().name);
    line(".</p>");
    for (const auto& grouping : report.groupings)
        write_totals_table(std::string("By ") + grouping.heading, grouping.heading, grouping.groups, charted_groups);
    write_totals_table("By week", "Week of", report.weeks, report.weeks.size());
    if (report.undated > 0)
        line("<p>" + std::to_string(report.undated) + " entries without a start date are in no week.</p>");
}

void ReportWriter::write_totals_table(const std::string& heading, const char* column,
                                      const std::vector<TotalsReport::Group>& groups, std::size_t charted)
{
    const std::string number_cell = "\t\t<td style=\"text-align: right;\">";
    line("<h2>" + heading + "</h2>");
    line("<table>");
    line(std::string("\t<tr>\n\t\t<th>") + column + "</th>\n\t\t<th>Entries</th>\n\t\t<th>Hours</th>\n\t</tr>");
    std::size_t entries = 0;
    double hours = 0.0;
    for (const auto& group : groups)
    {
        line("\t<tr>");
        put("\t\t<td style=\"white-space: normal;\">");
        put_escaped(group_name(group.name));
        line("</td>");
        line(number_cell + std::to_string(group.entries) + "</td>");
        line(number_cell + hours_figure(group.hours) + "</td>");
        line("\t</tr>");
        entries += group.entries;
        hours += group.hours;
    }
    line("\t<tr>\n\t\t<th>Total</th>");
    line("\t\t<th style=\"text-align: right;\">" + std::to_string(entries) + "</th>");
    line("\t\t<th style=\"text-align: right;\">" + hours_figure(hours) + "</th>\n\t</tr>");
    line("</table>");
    write_bar_chart(groups, charted);
}

// Two bars for each group, its entries in black and its hours in outline, so that the chart
// reads the same printed in black and white; each bar is labelled with its figure.
void ReportWriter::write_bar_chart(const std::vector<TotalsReport::Group>& groups, std::size_t charted)
{
    const std::size_t shown = std::min(charted, groups.size());
    if (shown == 0)
        return;
    std::size_t most_entries = 0;
    double most_hours = 0.0;
    for (std::size_t i = 0; i < shown; ++i)
    {
        most_entries = std::max(most_entries, groups[i].entries);
        most_hours = std::max(most_hours, groups[i].hours);
    }

    constexpr int top = 22;
    constexpr int row_height = 22;
    constexpr int bars_x = 230;
    constexpr int full_bar = 320;
    const std::string height = std::to_string(top + static_cast<int>(shown) * row_height);
    line("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"640\" height=\"" + height + "\" viewBox=\"0 0 640 "
         + height + "\" font-family=\"sans-serif\" font-size=\"11\">");
    line("\t<rect x=\"230\" y=\"5\" width=\"10\" height=\"8\" fill=\"black\"/><text x=\"244\" y=\"13\">entries</text>");
    line("\t<rect x=\"300\" y=\"5\" width=\"10\" height=\"8\" fill=\"white\" stroke=\"black\"/>"
         "<text x=\"314\" y=\"13\">hours</text>");
    if (shown < groups.size())
        line("\t<text x=\"370\" y=\"13\">the " + std::to_string(shown) + " largest of " + std::to_string(groups.size())
             + "</text>");
    for (std::size_t i = 0; i < shown; ++i)
    {
        const auto& group = groups[i];
        const int y = top + static_cast<int>(i) * row_height;
        const int entries_bar = bar_length(static_cast<double>(group.entries), static_cast<double>(most_entries), full_bar);
        const int hours_bar = bar_length(group.hours, most_hours, full_bar);
        put("\t<text x=\"" + std::to_string(bars_x - 6) + "\" y=\"" + std::to_string(y + 13) + "\" text-anchor=\"end\">");
        put_escaped(chart_label(group.name));
        line("</text>");
        line("\t<rect x=\"" + std::to_string(bars_x) + "\" y=\"" + std::to_string(y + 2) + "\" width=\""
             + std::to_string(entries_bar) + "\" height=\"8\" fill=\"black\"/><text x=\""
             + std::to_string(bars_x + entries_bar + 4) + "\" y=\"" + std::to_string(y + 10) + "\" font-size=\"9\">"
             + std::to_string(group.entries) + "</text>");
        line("\t<rect x=\"" + std::to_string(bars_x) + "\" y=\"" + std::to_string(y + 11) + "\" width=\""
             + std::to_string(hours_bar) + "\" height=\"8\" fill=\"white\" stroke=\"black\"/><text x=\""
             + std::to_string(bars_x + hours_bar + 4) + "\" y=\"" + std::to_string(y + 19) + "\" font-size=\"9\">"
             + hours_figure(group.hours) + "</text>");
    }
    line("</svg>");
}

void ReportWriter::write_end()
{
    line("</body>");
    line("</html>");
}
