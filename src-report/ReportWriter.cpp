#include "ReportWriter.h"

#include "Brand.h"
#include "History.h"

#include <algorithm>

namespace
{
// Pieces of this size go to the stream; a row is written into the piece, never across two.
constexpr std::size_t piece_bytes = 1 << 16;

void append_escaped(std::string& to, std::string_view text)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const char c = text[i];
        if (c != '&' && c != '<' && c != '>')
            continue;
        to.append(text.data() + start, i - start);
        to.append(c == '&' ? "&amp;" : c == '<' ? "&lt;" : "&gt;");
        start = i + 1;
    }
    to.append(text.data() + start, text.size() - start);
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
    append_escaped(escaped, text);
    return escaped;
}

std::string ReportWriter::type_name(int type)
{
    switch (type)
    {
        case 0: return "invalid";
        case summary: return "summary";
        case detailed: return "detailed";
        default: return "unknown";
    }
}

std::size_t ReportWriter::write(std::ostream& stream, Observer& progress_observer, std::size_t kept)
{
    out = &stream;
    observer = &progress_observer;
    limit = std::min(kept, rows.size());
    written = 0;
    buffer.clear();
    buffer.reserve(piece_bytes + piece_bytes / 2);

    write_head();
    write_title();
    if (report_type == summary)
        write_summary_table();
    else if (report_type == detailed)
        write_detailed_table();
    write_end();
    flush();
    return written;
}

void ReportWriter::put_escaped(std::string_view text)
{
    append_escaped(buffer, text);
}

void ReportWriter::line(std::string_view text)
{
    buffer.append(text);
    buffer += '\n';
}

void ReportWriter::flush()
{
    if (! buffer.empty() && out->good())
        out->write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    buffer.clear();
}

bool ReportWriter::next_entry(std::size_t index)
{
    if (buffer.size() >= piece_bytes)
        flush();
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
    for (std::size_t i = 0; next_entry(i); ++i)
    {
        const SummaryRow& row = rows[i];
        line("\t<tr>");
        for (const int id : column_ids)
        {
            put(wraps(id) ? "\t\t<td style=\"white-space: normal;\">" : "\t\t<td>");
            if (id == 22)
                put(std::to_string(row.search_count));
            else
                put_escaped(row.cell(id));
            line("</td>");
        }
        line("\t</tr>");
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
        if (i > 0)
        {
            line("\t<tr style=\"border-left: 1px solid white; border-right: 1px solid white;\">");
            line("\t\t<td colspan=\"5\" style=\"border: none;\">&nbsp;</td>");
            line("\t</tr>");
        }

        line("\t<tr>");
        put("\t\t<th>");
        put_escaped(row.cell(2));
        line("</th>");
        put("\t\t<td colspan=\"4\">");
        put_escaped(row.cell(10));
        put(" &rightarrow; ");
        put_escaped(row.cell(11));
        put(" &rightarrow; ");
        put_escaped(row.cell(12));
        put(" ");
        put_escaped(row.cell(13));
        line("</td>");
        line("\t</tr>");

        line("\t<tr>");
        put("\t\t<th>");
        put_escaped(row.cell(14));
        line("</th>");
        put("\t\t<td>");
        put_escaped(row.cell(15));
        line("</td>");
        put("\t\t<td>");
        put_escaped(row.cell(16));
        line(" Shift</td>");
        put("\t\t<td colspan=\"2\">");
        put_escaped(row.cell(17));
        line("</td>");
        line("\t</tr>");

        // Entries that are not complete show their status in pink, open ones their time span.
        line("\t<tr>");
        put(row.upper_cell(9).find("COMPLETE") != std::string_view::npos
                ? "\t\t<th>"
                : "\t\t<th style=\"background-color: #fdd;\">");
        put_escaped(row.cell(9));
        line("</th>");
        if (! row.cell(7).empty())
        {
            put("\t\t<td colspan=\"2\">");
            put_escaped(row.cell(5));
            put(" &rightarrow; ");
            put_escaped(row.cell(7));
        }
        else
        {
            put("\t\t<td colspan=\"2\" style=\"background-color: #fdd;\">");
            put_escaped(row.cell(5));
        }
        line("</td>");
        if (! row.cell(21).empty())
        {
            put("\t\t<td>");
            put_escaped(row.cell(20));
            line("</td>");
            put("\t\t<td>");
            put_escaped(row.cell(21));
            line("</td>");
        }
        else
        {
            put("\t\t<td colspan=\"2\">");
            put_escaped(row.cell(20));
            line("</td>");
        }
        line("\t</tr>");

        line("\t<tr>");
        line("\t\t<th>Problem</th>");
        put("\t\t<td colspan=\"4\" style=\"white-space: pre-wrap;\">");
        put_escaped(row.cell(18));
        line("</td>");
        line("\t</tr>");

        line("\t<tr>");
        line("\t\t<th>Action</th>");
        put("\t\t<td colspan=\"4\" style=\"white-space: pre-wrap;\">");
        put_escaped(row.cell(19));
        line("</td>");
        line("\t</tr>");
        written = i + 1;
    }
    line("</table>");
}

void ReportWriter::write_end()
{
    line("</body>");
    line("</html>");
}
