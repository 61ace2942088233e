#include "ReportWriter.h"
#include "RowFactory.h"

#include <gtest/gtest.h>

#include <sstream>

namespace
{
ReportWriter summary_writer(std::size_t rows, int sort_column = 5)
{
    ReportWriter writer;
    for (std::uint64_t id = 1; id <= rows; ++id)
        writer.rows.push_back(
            make_summary_row(id, {{2, "PM-" + std::to_string(id)}, {10, "Planing"}, {18, "R&D <urgent>"}}));
    writer.option_text = "all logs";
    writer.time_text = "2024-03-05 14:07:33";
    writer.role_name = "Supervisors";
    writer.columns = {{2, "Log #"}, {5, "Start Date"}, {10, "Cost Center"}, {18, "Problem"}, {22, "Matches"}};
    writer.sort_column = sort_column;
    writer.sort_forwards = false;
    return writer;
}

std::string write(ReportWriter& writer, std::size_t kept = ReportWriter::every_row)
{
    std::ostringstream out;
    ReportWriter::Observer quiet;
    writer.write(out, quiet, kept);
    return out.str();
}

std::size_t count_of(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}
} // namespace

TEST(ReportWriter, SummaryTableFollowsTheHeader)
{
    // Twelve rows sorted by Start Date backwards: no Matches column, an arrow, the header twice.
    ReportWriter writer = summary_writer(12);
    std::string html = write(writer);
    EXPECT_EQ(count_of(html, "\t<tr>\n\t\t<th>Log #</th>\n\t\t<th>Start Date &#9660;</th>\n\t\t<th>Cost Center</th>\n"
                             "\t\t<th>Problem</th>\n\t</tr>\n"),
              2u)
        << html;
    EXPECT_NE(html.find("\t<tr>\n\t\t<td>PM-3</td>\n\t\t<td></td>\n\t\t<td style=\"white-space: normal;\">Planing</td>\n"
                        "\t\t<td style=\"white-space: normal;\">R&amp;D &lt;urgent&gt;</td>\n\t</tr>\n"),
              std::string::npos)
        << "cells escaped, wrapping columns styled";
    EXPECT_EQ(html.find("Filter:"), std::string::npos) << "no filter line without a filter";
    EXPECT_EQ(ReportWriter::escape("R&D <urgent> \"x\" >"), "R&amp;D &lt;urgent&gt; \"x\" &gt;");

    // The title's texts are escaped; a report stopped after 5 entries holds those and says so.
    writer.role_name = "R&D <Crew>";
    writer.filter_words = {"<SCRIPT>", "PUMP&SEAL"};
    html = write(writer, 5);
    EXPECT_NE(html.find("\t<title>VEK - R&amp;D &lt;Crew&gt; - summary report (cancelled: 5 of 12 logs)</title>\n"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("<h1>Summary Report: R&amp;D &lt;Crew&gt; Maintenance Logs</h1>\n<p>\nFilter: <span "
                        "class=\"mono\"> &lt;SCRIPT&gt; PUMP&amp;SEAL</span><br/>\nReport on all logs.<br/>\n"
                        "Cancelled: this report holds 5 of the 12 chosen logs.<br/>\n2024-03-05 14:07:33<br/>\n</p>\n"),
              std::string::npos);
    EXPECT_EQ(count_of(html, "<td>PM-"), 5u);
    EXPECT_EQ(count_of(write(writer = summary_writer(10)), "<th>Log #"), 1u) << "ten rows: one header row";
    EXPECT_EQ(count_of(write(writer = summary_writer(11)), "<th>Log #"), 2u) << "eleven rows: two";

    writer = summary_writer(2, 22);
    writer.rows[1].search_count = 3;
    html = write(writer);
    EXPECT_NE(html.find("<th>Matches &#9660;</th>\n\t</tr>\n\t<tr>"), std::string::npos) << "the sort column shows";
    EXPECT_NE(html.find("<td>0</td>\n\t</tr>\n\t<tr>"), std::string::npos) << "no matches show 0";
    EXPECT_NE(html.find("<td>3</td>\n\t</tr>\n</table>"), std::string::npos);
    EXPECT_NE(write(writer = summary_writer(1)).find("<th>Start Date</th>"), std::string::npos) << "one row: no arrow";
}

TEST(ReportWriter, DetailedBlocksOfFiveRows)
{
    ReportWriter writer;
    writer.report_type = ReportWriter::detailed;
    writer.rows.push_back(make_summary_row(
        1, {{2, "PM-001"}, {5, "2024-03-01 08:00:00"}, {9, "OPEN"}, {10, "Planing"}, {11, "Infeed"}, {12, "CV-1"},
            {13, "Conveyor"}, {14, "Planer Mill"}, {15, "Jane Doe"}, {16, "Day"}, {17, "Electrical"},
            {18, "belt <slipping>"}, {19, "tightened"}, {20, "2h 30m"}}));
    writer.rows.push_back(make_summary_row(
        2, {{5, "2024-03-02 08:00"}, {7, "2024-03-02 09:00"}, {9, "Completed"}, {20, "1h"}, {21, "Breakdown"}}));
    const std::string html = write(writer);
    EXPECT_NE(html.find("<table>\n\t<tr>\n\t\t<th>PM-001</th>\n"
                        "\t\t<td colspan=\"4\">Planing &rightarrow; Infeed &rightarrow; CV-1 Conveyor</td>\n\t</tr>\n"
                        "\t<tr>\n\t\t<th>Planer Mill</th>\n\t\t<td>Jane Doe</td>\n\t\t<td>Day Shift</td>\n"
                        "\t\t<td colspan=\"2\">Electrical</td>\n\t</tr>\n"
                        "\t<tr>\n\t\t<th style=\"background-color: #fdd;\">OPEN</th>\n"
                        "\t\t<td colspan=\"2\" style=\"background-color: #fdd;\">2024-03-01 08:00:00</td>\n"
                        "\t\t<td colspan=\"2\">2h 30m</td>\n\t</tr>\n"
                        "\t<tr>\n\t\t<th>Problem</th>\n"
                        "\t\t<td colspan=\"4\" style=\"white-space: pre-wrap;\">belt &lt;slipping&gt;</td>\n\t</tr>\n"
                        "\t<tr>\n\t\t<th>Action</th>\n"
                        "\t\t<td colspan=\"4\" style=\"white-space: pre-wrap;\">tightened</td>\n\t</tr>\n"
                        "\t<tr style=\"border-left: 1px solid white; border-right: 1px solid white;\">\n"
                        "\t\t<td colspan=\"5\" style=\"border: none;\">&nbsp;</td>\n\t</tr>\n"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("\t<tr>\n\t\t<th>Completed</th>\n\t\t<td colspan=\"2\">2024-03-02 08:00 &rightarrow; "
                        "2024-03-02 09:00</td>\n\t\t<td>1h</td>\n\t\t<td>Breakdown</td>\n\t</tr>\n"),
              std::string::npos)
        << "complete and ended, with a downtime reason: no pink, two cells";
    EXPECT_EQ(count_of(html, "&nbsp;"), 1u) << "a separator between entries, none after the last";
}
