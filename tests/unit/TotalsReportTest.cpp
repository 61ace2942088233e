#include "CsvExport.h"
#include "ReportWriter.h"
#include "RowFactory.h"
#include "ShownText.h"
#include "TotalsReport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace
{
constexpr std::int64_t tuesday_noon = 1709640000; // 2024-03-05 12:00 UTC
constexpr std::int64_t day = 86400;

// Five entries over three weeks (the middle one empty), one without a start time; systems with
// markup, a Windows-1252 byte and no name at all.
std::vector<SummaryRow> sample_rows()
{
    return {make_summary_row(1, {{11, "Infeed"}, {12, "CV-1"}, {9, "open"}}, 2.5, 0, tuesday_noon),
            make_summary_row(2, {{11, "Infeed"}, {12, "CV-1"}, {9, "closed"}, {21, "Breakdown"}}, 1.0, 0,
                             tuesday_noon + day),
            make_summary_row(3, {{11, "<Boiler> & \"Co\""}, {9, "closed"}}, 4.0, 0, tuesday_noon + 15 * day),
            make_summary_row(4, {{11, "Caf\xE9"}, {9, "closed"}}, 0.0, 0, 0),
            make_summary_row(5, {{11, ""}, {9, "open"}}, 0.5, 0, tuesday_noon + 14 * day)};
}

std::string groups_text(const std::vector<TotalsReport::Group>& groups)
{
    std::string text;
    for (const auto& group : groups)
        text += group.name + "=" + std::to_string(group.entries) + "/" + std::to_string(group.hours).substr(0, 4) + " ";
    return text;
}
} // namespace

TEST(TotalsReport, AddsUpGroupsAndWeeks)
{
    const auto rows = sample_rows();
    TotalsReport totals;
    for (const auto& row : rows)
        totals.add(row);
    totals.finish();

    EXPECT_EQ(std::to_string(totals.entries) + " " + std::to_string(totals.hours) + " " + std::to_string(totals.undated),
              "5 8.000000 1");
    ASSERT_EQ(totals.groupings.size(), 8u);
    EXPECT_EQ(groups_text(totals.groupings[0].groups), "Infeed=2/3.50 <Boiler> & \"Co\"=1/4.00 =1/0.50 Caf\xE9=1/0.00 ")
        << "most entries first, then most hours";
    EXPECT_EQ(groups_text(totals.groupings[1].groups), "=3/4.50 CV-1=2/3.50 ") << "entries without equipment";
    EXPECT_EQ(groups_text(totals.groupings[6].groups), "closed=3/5.00 open=2/3.00 ");
    EXPECT_EQ(groups_text(totals.groupings[7].groups), "=4/7.00 Breakdown=1/1.00 ");
    EXPECT_EQ(groups_text(totals.weeks), "2024-03-04=2/3.50 2024-03-11=0/0.00 2024-03-18=2/4.50 ")
        << "every week from the first to the last, by its Monday";
}

TEST(TotalsReport, WrittenAsTablesAndChartsWithTextsShownNotInterpreted)
{
    ReportWriter writer;
    writer.report_type = ReportWriter::totals;
    writer.rows = sample_rows();
    const std::string long_name(40, 'x');
    writer.rows.push_back(make_summary_row(6, {{11, "\xD0\x96" + long_name}}, 0.25, 0, tuesday_noon));
    writer.role_name = "Supervisors";
    writer.option_text = "all 6 logs";
    std::ostringstream out;
    ReportWriter::Observer quiet;
    EXPECT_EQ(writer.write(out, quiet), 6u);
    const std::string html = out.str();

    EXPECT_NE(html.find("\t<title>VEK - Supervisors - totals report</title>"), std::string::npos);
    EXPECT_NE(html.find("<h1>Totals Report: Supervisors Maintenance Logs</h1>\n<p>\nReport on all 6 logs.<br/>"),
              std::string::npos);
    EXPECT_NE(html.find("<p>6 entries, 8.25 hours, in the weeks from 2024-03-04 to 2024-03-18.</p>"), std::string::npos);
    EXPECT_NE(html.find("<td style=\"white-space: normal;\">&lt;Boiler&gt; &amp; \"Co\"</td>\n"
                        "\t\t<td style=\"text-align: right;\">1</td>\n\t\t<td style=\"text-align: right;\">4.00</td>"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("text-anchor=\"end\">&lt;Boiler&gt; &amp; \"Co\"</text>"), std::string::npos) << "chart label";
    EXPECT_NE(html.find(">Caf\xC3\xA9</td>"), std::string::npos) << "a Windows-1252 byte as its letter";
    EXPECT_NE(html.find(">Caf\xC3\xA9</text>"), std::string::npos);
    EXPECT_TRUE(ShownText::is_valid_utf8(html)) << "the whole page is UTF-8";
    EXPECT_NE(html.find(">\xD0\x96" + long_name.substr(0, 31) + "\xE2\x80\xA6</text>"), std::string::npos)
        << "a long label cut to 32 letters, never inside one";
    EXPECT_NE(html.find("<th>Total</th>\n\t\t<th style=\"text-align: right;\">6</th>\n\t\t"
                        "<th style=\"text-align: right;\">8.25</th>"),
              std::string::npos);
    EXPECT_NE(html.find("<p>1 entries without a start date are in no week.</p>"), std::string::npos);

    // A stopped report adds up what it wrote.
    std::ostringstream part;
    EXPECT_EQ(writer.write(part, quiet, 2), 2u);
    EXPECT_NE(part.str().find("<p>2 entries, 3.50 hours"), std::string::npos);
}

TEST(CsvExport, QuotesAsSpreadsheetsReadIt)
{
    CsvExport csv;
    csv.columns = {{18, "Problem"}, {2, "Log #"}, {22, "Matches"}, {9, "Status, now"}};
    std::vector<SummaryRow> rows{
        make_summary_row(1, {{2, "PM-001"}, {9, "open"}, {18, "short"}}),
        make_summary_row(2, {{2, "say \"hi\""}, {9, "Caf\xE9"}, {18, "one line"}}),
        make_summary_row(3, {{2, "\xCE\xA9-3"}, {9, "a,b"}})};
    rows[1].search_count = 3;
    csv.full_texts[1] = {"line 1\r\nline \"2\"\nend", ""};
    std::ostringstream out;
    ReportWriter::Observer quiet;
    EXPECT_EQ(csv.write(out, rows, quiet), 3u);
    EXPECT_EQ(out.str(), "\xEF\xBB\xBFProblem,Log #,Matches,\"Status, now\"\r\n"
                         "\"line 1\r\nline \"\"2\"\"\nend\",PM-001,0,open\r\n"
                         "one line,\"say \"\"hi\"\"\",3,Caf\xC3\xA9\r\n"
                         ",\xCE\xA9-3,0,\"a,b\"\r\n")
        << "full texts where known, quotes doubled, Windows-1252 repaired, CRLF after each record";

    std::ostringstream part;
    EXPECT_EQ(csv.write(part, rows, quiet, 1), 1u);
    const std::string first = part.str();
    EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 4) << "header and one record of three lines";
}
