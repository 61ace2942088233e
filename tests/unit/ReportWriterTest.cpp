#include "Brand.h"
#include "History.h"
#include "ReportWriter.h"
#include "RowFactory.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace
{
// The columns that the summary table shows by default, in their order.
std::vector<ReportWriter::Column> default_columns()
{
    return {{2, "Log #"},        {3, "Last Update"}, {5, "Start Date"},      {7, "Complete Date"},
            {9, "Status"},       {10, "Cost Center"}, {11, "System"},        {12, "Equipment"},
            {13, "Equipment Description"},             {15, "Author"},        {16, "Shift"},
            {17, "Category"},    {18, "Problem"},     {19, "Action"},        {20, "Time"},
            {21, "Downtime Reason"},                  {22, "Matches"}};
}

ReportWriter summary_writer(std::size_t rows)
{
    ReportWriter writer;
    writer.report_type = ReportWriter::summary;
    for (std::uint64_t id = 1; id <= rows; ++id)
        writer.rows.push_back(make_summary_row(id, {{2, "PM-" + std::to_string(id)}, {18, "problem " + std::to_string(id)}}));
    writer.option_text = "all " + std::to_string(rows) + " logs";
    writer.time_text = "2024-03-05 14:07:33";
    writer.role_name = "Supervisors";
    writer.columns = default_columns();
    writer.sort_column = 5;
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

// Stops the writing once `entries` entries have started.
class StopAfter : public ReportWriter::Observer
{
public:
    explicit StopAfter(std::size_t entries) : limit(entries) {}
    bool should_stop() override { return started >= limit; }
    void entry_started(std::size_t index, std::size_t total) override
    {
        EXPECT_EQ(index, started) << "entries are announced in order";
        EXPECT_EQ(total, 40u) << "the total is every chosen row";
        ++started;
    }
    std::size_t started = 0;

private:
    std::size_t limit;
};
} // namespace

TEST(ReportWriter, EscapesTheThreeMarkupCharacters)
{
    EXPECT_EQ(ReportWriter::escape("R&D <urgent>"), "R&amp;D &lt;urgent&gt;");
    EXPECT_EQ(ReportWriter::escape("\"quoted\" it's fine"), "\"quoted\" it's fine") << "quotes stay as they are";
    EXPECT_EQ(ReportWriter::escape("&amp;"), "&amp;amp;") << "an entity in a text is shown, not interpreted";
    EXPECT_EQ(ReportWriter::escape(""), "");
    EXPECT_EQ(ReportWriter::type_name(0), "invalid");
    EXPECT_EQ(ReportWriter::type_name(1), "summary");
    EXPECT_EQ(ReportWriter::type_name(2), "detailed");
    EXPECT_EQ(ReportWriter::type_name(7), "unknown");
}

TEST(ReportWriter, HeadAndTitleAsWritten)
{
    ReportWriter writer = summary_writer(3);
    const std::string html = write(writer);
    const std::string head = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n\t<meta charset=\"UTF-8\"/>\n"
                             "\t<title>VEK - Supervisors - summary report</title>\n\t<!-- "
                             + Brand::current().title_prefix + "VEK v1.2.1-3304 -->\n\t<!-- "
                             + ReportWriter::documentation_address + " -->\n\t<!-- "
                             + ReportWriter::escape(user_identity()) + " -->\n\t<!-- 2024-03-05 14:07:33 -->\n"
                             + "\t<style>\nh1 { font-size: 115%; line-height: 80%; }\n"
                               "h2 { font-size:  75%; line-height: 80%; }\n"
                               "table { border-collapse: collapse; border: 1px solid black; }\n"
                               "th, td { white-space: nowrap; border: 1px solid black; }\n"
                               ".mono { font-family: 'Courier New', Courier, 'Lucida Console', Monaco, monospace; }\n"
                               "\t</style>\n</head>\n<body>\n"
                               "<h1>Summary Report: Supervisors Maintenance Logs</h1>\n<p>\n"
                               "Report on all 3 logs.<br/>\n2024-03-05 14:07:33<br/>\n</p>\n<table>\n";
    EXPECT_EQ(html.substr(0, head.size()), head) << html;
    EXPECT_EQ(html.find("Filter:"), std::string::npos) << "no filter line without a filter";
    EXPECT_NE(std::string(ReportWriter::documentation_address).find("/vek/doc/"), std::string::npos);
    EXPECT_EQ(html.substr(html.size() - 25), "</table>\n</body>\n</html>\n");

    // Texts of the role, the option and the filter cannot change the markup.
    writer.role_name = "R&D <Crew>";
    writer.option_text = "2 selected <b>logs</b>";
    writer.filter_words = {"<script>alert(1)</script>", "pump&seal"};
    writer.report_type = ReportWriter::detailed;
    const std::string hostile = write(writer);
    EXPECT_NE(hostile.find("\t<title>VEK - R&amp;D &lt;Crew&gt; - detailed report</title>\n"), std::string::npos);
    EXPECT_NE(hostile.find("<h1>Detailed Report: R&amp;D &lt;Crew&gt; Maintenance Logs</h1>\n<p>\n"
                           "Filter: <span class=\"mono\"> &lt;script&gt;alert(1)&lt;/script&gt; pump&amp;seal</span>"
                           "<br/>\nReport on 2 selected &lt;b&gt;logs&lt;/b&gt;.<br/>\n"),
              std::string::npos)
        << hostile;
    EXPECT_EQ(hostile.find("<script>"), std::string::npos);
}

TEST(ReportWriter, SummaryTableFollowsTheHeader)
{
    // Twelve rows sorted by Start Date backwards: the visible columns without Matches, an arrow
    // at the sort column, and the header again at the bottom.
    ReportWriter writer = summary_writer(12);
    writer.rows[3] = make_summary_row(4, {{2, "PM-4"}, {10, "Planing"}, {18, "R&D <urgent>"}});
    std::string html = write(writer);
    EXPECT_EQ(count_of(html, "\t\t<th>Log #</th>\n\t\t<th>Last Update</th>\n\t\t<th>Start Date &#9660;</th>\n"
                             "\t\t<th>Complete Date</th>\n"),
              2u)
        << html;
    EXPECT_EQ(count_of(html, "<th>Matches"), 0u) << "Matches only when it is the sort column";
    EXPECT_EQ(count_of(html, "\t<tr>\n"), 14u) << "two header rows and twelve entries";
    EXPECT_EQ(writer.column_ids, (std::vector<int>{2, 3, 5, 7, 9, 10, 11, 12, 13, 15, 16, 17, 18, 19, 20, 21}));
    EXPECT_NE(html.find("\t<tr>\n\t\t<td>PM-4</td>\n\t\t<td></td>\n\t\t<td></td>\n\t\t<td></td>\n\t\t<td></td>\n"
                        "\t\t<td style=\"white-space: normal;\">Planing</td>\n"),
              std::string::npos)
        << "wrapping columns carry their style";
    EXPECT_NE(html.find("<td style=\"white-space: normal;\">R&amp;D &lt;urgent&gt;</td>"), std::string::npos);

    writer = summary_writer(10);
    EXPECT_EQ(count_of(write(writer), "<th>Log #</th>"), 1u) << "ten rows: one header row";
    writer = summary_writer(11);
    EXPECT_EQ(count_of(write(writer), "<th>Log #</th>"), 2u) << "eleven rows: two";

    writer = summary_writer(2);
    writer.sort_column = 22;
    writer.sort_forwards = true;
    writer.rows[1].search_count = 3;
    html = write(writer);
    EXPECT_NE(html.find("\t\t<th>Matches &#9650;</th>\n\t</tr>\n"), std::string::npos) << html;
    EXPECT_NE(html.find("\t\t<td>0</td>\n\t</tr>\n"), std::string::npos) << "no matches show 0";
    EXPECT_NE(html.find("\t\t<td>3</td>\n\t</tr>\n"), std::string::npos);

    writer = summary_writer(1);
    html = write(writer);
    EXPECT_NE(html.find("\t\t<th>Start Date</th>\n"), std::string::npos) << "one row: no sort arrow";
}

TEST(ReportWriter, DetailedBlocksOfFiveRows)
{
    ReportWriter writer;
    writer.report_type = ReportWriter::detailed;
    writer.role_name = "Supervisors";
    writer.rows.push_back(make_summary_row(1, {{2, "PM-001"}, {5, "2024-03-01 08:00:00"}, {9, "OPEN"},
                                               {10, "Planing"}, {11, "Infeed"}, {12, "PM-CV-101"},
                                               {13, "Infeed conveyor"}, {14, "Planer Mill"}, {15, "Jane Doe"},
                                               {16, "Day"}, {17, "Electrical"}, {18, "belt <slipping>"},
                                               {19, "tightened"}, {20, "2h 30m"}}));
    writer.rows.push_back(make_summary_row(2, {{2, "SM-002"}, {5, "2024-03-02 08:00:00"},
                                               {7, "2024-03-02 09:00:00"}, {9, "Completed"}, {20, "1h"},
                                               {21, "Breakdown"}}));
    const std::string html = write(writer);

    const std::string first = "<table>\n\t<tr>\n\t\t<th>PM-001</th>\n"
                              "\t\t<td colspan=\"4\">Planing &rightarrow; Infeed &rightarrow; PM-CV-101 Infeed conveyor"
                              "</td>\n\t</tr>\n"
                              "\t<tr>\n\t\t<th>Planer Mill</th>\n\t\t<td>Jane Doe</td>\n\t\t<td>Day Shift</td>\n"
                              "\t\t<td colspan=\"2\">Electrical</td>\n\t</tr>\n"
                              "\t<tr>\n\t\t<th style=\"background-color: #fdd;\">OPEN</th>\n"
                              "\t\t<td colspan=\"2\" style=\"background-color: #fdd;\">2024-03-01 08:00:00</td>\n"
                              "\t\t<td colspan=\"2\">2h 30m</td>\n\t</tr>\n"
                              "\t<tr>\n\t\t<th>Problem</th>\n"
                              "\t\t<td colspan=\"4\" style=\"white-space: pre-wrap;\">belt &lt;slipping&gt;</td>\n"
                              "\t</tr>\n"
                              "\t<tr>\n\t\t<th>Action</th>\n"
                              "\t\t<td colspan=\"4\" style=\"white-space: pre-wrap;\">tightened</td>\n\t</tr>\n"
                              "\t<tr style=\"border-left: 1px solid white; border-right: 1px solid white;\">\n"
                              "\t\t<td colspan=\"5\" style=\"border: none;\">&nbsp;</td>\n\t</tr>\n";
    EXPECT_NE(html.find(first), std::string::npos) << html;
    EXPECT_NE(html.find("\t<tr>\n\t\t<th>Completed</th>\n"
                        "\t\t<td colspan=\"2\">2024-03-02 08:00:00 &rightarrow; 2024-03-02 09:00:00</td>\n"
                        "\t\t<td>1h</td>\n\t\t<td>Breakdown</td>\n\t</tr>\n"),
              std::string::npos)
        << "a complete, ended entry with a downtime reason";
    EXPECT_EQ(count_of(html, "&nbsp;"), 1u) << "a separator between entries, none after the last";
    EXPECT_EQ(count_of(html, "\t<tr"), 11u);
    EXPECT_NE(html.find("\t</tr>\n</table>\n</body>\n</html>\n"), std::string::npos);
}

TEST(ReportWriter, StoppedReportSaysWhatItHolds)
{
    ReportWriter writer = summary_writer(40);
    std::ostringstream out;
    StopAfter stop(15);
    EXPECT_EQ(writer.write(out, stop), 15u) << "the entries started before the stop";
    EXPECT_EQ(count_of(out.str(), "\t<tr>\n\t\t<td>"), 15u);

    const std::string kept = write(writer, 15);
    EXPECT_NE(kept.find("<title>VEK - Supervisors - summary report (cancelled: 15 of 40 logs)</title>"),
              std::string::npos)
        << kept;
    EXPECT_NE(kept.find("Report on all 40 logs.<br/>\nCancelled: this report holds 15 of the 40 chosen logs.<br/>\n"),
              std::string::npos);
    EXPECT_EQ(count_of(kept, "\t<tr>\n\t\t<td>"), 15u);
    EXPECT_EQ(count_of(kept, "<th>Log #</th>"), 2u) << "more than ten rows kept: the header again at the bottom";
    EXPECT_EQ(write(writer).find("cancelled"), std::string::npos) << "a whole report says nothing of the kind";
}
