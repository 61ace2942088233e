#include "ReportWriter.h"

#include "Brand.h"
#include "History.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{
// The document goes to the stream in pieces of about this size.
constexpr std::size_t piece_bytes = 1 << 16;

#if defined(__SSE2__)
// One bit for each of the sixteen bytes that is "&", "<" or ">".
unsigned markup_mask(const char* sixteen)
{
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sixteen));
    const __m128i found = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('&')),
                                                    _mm_cmpeq_epi8(bytes, _mm_set1_epi8('<'))),
                                       _mm_cmpeq_epi8(bytes, _mm_set1_epi8('>')));
    return static_cast<unsigned>(_mm_movemask_epi8(found));
}
#endif

// Calls `found` with the position of every "&", "<" and ">" in the text, in order. Most texts
// hold none, so the search compares sixteen bytes at a time where the processor can.
template <typename Found>
void for_each_markup(std::string_view text, Found&& found)
{
    std::size_t at = 0;
#if defined(__SSE2__)
    for (; at + 16 <= text.size(); at += 16)
        for (unsigned mask = markup_mask(text.data() + at); mask != 0; mask &= mask - 1)
            found(at + static_cast<std::size_t>(__builtin_ctz(mask)));
    if (at < text.size() && text.size() >= 16)
    {
        // The last sixteen bytes, less those searched already.
        const std::size_t last = text.size() - 16;
        for (unsigned mask = markup_mask(text.data() + last) >> (at - last); mask != 0; mask &= mask - 1)
            found(at + static_cast<std::size_t>(__builtin_ctz(mask)));
        return;
    }
#endif
    for (; at < text.size(); ++at)
        if (text[at] == '&' || text[at] == '<' || text[at] == '>')
            found(at);
}

std::string_view entity_of(char c)
{
    using namespace std::string_view_literals;
    return c == '&' ? "&amp;"sv : c == '<' ? "&lt;"sv : "&gt;"sv;
}

const std::string_view wrapping_cell = "\t\t<td style=\"white-space: normal;\">";
const std::string_view plain_cell = "\t\t<td>";

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
    std::size_t start = 0;
    for_each_markup(text, [&](std::size_t at) {
        escaped.append(text.substr(start, at - start)).append(entity_of(text[at]));
        start = at + 1;
    });
    return escaped.append(text.substr(start));
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
    used = 0;
    buffer.resize(piece_bytes);

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
    std::size_t start = 0;
    for_each_markup(text, [&](std::size_t at) {
        put(text.substr(start, at - start));
        put(entity_of(text[at]));
        start = at + 1;
    });
    put(text.substr(start));
}

void ReportWriter::start_row(const SummaryRow& row)
{
    // Cells 1 to 21 in upper case hold the same markup characters as the cells themselves: one
    // pass over them finds the few cells that need escaping.
    dirty_cells = 0;
    for_each_markup(row.upper_cells(), [&](std::size_t at) { dirty_cells |= 1u << row.cell_at(at); });
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

void ReportWriter::write_end()
{
    line("</body>");
    line("</html>");
}
