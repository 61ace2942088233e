#include "RowFactory.h"
#include "TextFilter.h"

#include <gtest/gtest.h>

#include <regex>
#include <vector>

namespace
{
constexpr std::int64_t now = 1700000000;

std::vector<SummaryRow> sample_rows()
{
    std::vector<SummaryRow> rows;
    rows.push_back(make_summary_row(1, {{2, "PM-001"}, {9, "open"}, {12, "PUMP-1"}, {18, "pump leaks"}}, 1.0,
                                    now - 3600));
    rows.push_back(make_summary_row(2, {{2, "PM-012"}, {9, "closed"}, {18, "motor hot"}, {19, "replaced motor"}}, 2.5,
                                    now - 90000, 0, now - 90000));
    rows.push_back(make_summary_row(3, {{2, "SM-120"}, {9, "Open - waiting"}, {18, "Pump and motor"}}, 0,
                                    now - 700000));
    rows.push_back(make_summary_row(4, {{2, "SM-121"}, {9, ""}, {18, "belt"}}, 0.5, now - 10));
    return rows;
}

std::vector<std::uint64_t> ids(const TextFilter::Result& result)
{
    std::vector<std::uint64_t> found;
    for (const auto* row : result.visible)
        found.push_back(row->id);
    return found;
}

TextFilter::Result run(std::vector<SummaryRow>& rows, const std::string& text, bool exact)
{
    return TextFilter::apply(rows, TextFilter::words_of(text), exact, now);
}
} // namespace

TEST(TextFilter, WordsAreSimplifiedUpperCase)
{
    EXPECT_EQ(TextFilter::words_of("  pump \t  motor  "), (std::vector<std::string>{"PUMP", "MOTOR"}));
    EXPECT_TRUE(TextFilter::words_of(" \r\n ").empty());
}

TEST(TextFilter, FreeWordsCountEveryCellThatHoldsThem)
{
    auto rows = sample_rows();
    const auto any = run(rows, "  pump   motor ", false);
    EXPECT_EQ(ids(any), (std::vector<std::uint64_t>{1, 2, 3}));
    EXPECT_EQ(rows[0].search_count, 2) << "PUMP in the equipment and in the problem, no MOTOR";
    EXPECT_EQ(rows[1].search_count, 2) << "MOTOR in problem and action";
    EXPECT_EQ(rows[2].search_count, 2);
    EXPECT_EQ(rows[3].search_count, 0);
    EXPECT_EQ(any.sort_column, 22);

    const auto all = run(rows, "pump motor", true);
    EXPECT_EQ(ids(all), (std::vector<std::uint64_t>{3})) << "exact match needs every term";
    EXPECT_EQ(rows[0].search_count, 0) << "a failed term under exact match clears the count";
}

TEST(TextFilter, AWordNeverCountsTwiceInOneCellNorAcrossCells)
{
    std::vector<SummaryRow> rows{make_summary_row(7, {{18, "aaaa"}, {19, "xa"}, {13, "ab"}})};
    run(rows, "aa", false);
    EXPECT_EQ(rows[0].search_count, 1) << "one cell with two occurrences counts once; 'a' + 'x' never joins";
    run(rows, "a", false);
    EXPECT_EQ(rows[0].search_count, 3);
    run(rows, "7", false);
    EXPECT_EQ(rows[0].search_count, 1) << "the id cell is searched too";
}

TEST(TextFilter, ColumnTerms)
{
    auto rows = sample_rows();
    EXPECT_EQ(ids(run(rows, "status<>closed", false)), (std::vector<std::uint64_t>{1, 3}))
        << "<> excludes the closed row and the row without status";
    EXPECT_EQ(ids(run(rows, "status=open", true)), (std::vector<std::uint64_t>{1, 3}));
    EXPECT_EQ(ids(run(rows, "log=12", false)), (std::vector<std::uint64_t>{2, 3, 4}));
    EXPECT_EQ(ids(run(rows, "Status=OPEN log=SM", true)), (std::vector<std::uint64_t>{3}));
    const auto value_with_equals = run(rows, "log=PM=", false);
    EXPECT_TRUE(value_with_equals.visible.empty()) << "the value may itself contain '='";
}

TEST(TextFilter, DateColumnTermsChooseTheirSortColumn)
{
    std::vector<SummaryRow> rows{make_summary_row(1, {{3, "2024-03-05 10:00:00"}, {5, "2024-03-04 09:00:00"}}),
                                 make_summary_row(2, {{3, "2024-03-06 10:00:00"}})};
    const auto updated = run(rows, "updated=2024-03-05", false);
    EXPECT_EQ(ids(updated), (std::vector<std::uint64_t>{1}));
    EXPECT_EQ(updated.sort_column, 3);
    EXPECT_EQ(run(rows, "started=2024-03", false).sort_column, 5);
    EXPECT_EQ(run(rows, "completed=2024", false).sort_column, 7) << "a miss still moves the sort column";
}

TEST(TextFilter, UnknownColumnNameIsAnErrorAndShowsNothing)
{
    auto rows = sample_rows();
    const auto wibble = run(rows, "wibble=3", false);
    EXPECT_TRUE(wibble.visible.empty());
    EXPECT_EQ(wibble.error, "The search term \"WIBBLE\" is not a valid column name.");

    const auto time_equals = run(rows, "pump time=1h", false);
    EXPECT_TRUE(time_equals.visible.empty()) << "time=1h is a column term with the unlisted name TIME";
    EXPECT_EQ(time_equals.error, "The search term \"TIME\" is not a valid column name.");
    EXPECT_EQ(rows[0].search_count, 0);

    EXPECT_TRUE(run(rows, "pump", false).error.empty());
}

TEST(TextFilter, ColumnTermsReadAsTheirPatternAndWordsOfAnyLength)
{
    auto rows = sample_rows();
    const std::regex column_pattern("^([^=]+)(=|<>)(.+)$"); // what the reading replaces, on short words
    for (const std::string word : {"A<>B<>C", "AB=C=D", "A=<>B", "A<>=", "AB<>=C", "X<>", "X=", "=X", "<>X", "A<B>C"})
    {
        std::smatch match;
        const std::string name = std::regex_match(word, match, column_pattern) ? match[1].str() : "";
        const std::string error = name.empty() ? "" : "The search term \"" + name + "\" is not a valid column name.";
        EXPECT_EQ(run(rows, word, false).error, error) << word;
    }
    const std::string long_run(100000, '7');
    for (const std::string& word : {long_run, "STATUS=" + long_run, "TIME>" + long_run, "NAME" + long_run + "=1"})
        EXPECT_TRUE(run(rows, word, false).visible.empty()) << word.substr(0, 10) << ": answered, and no row holds it";
    EXPECT_EQ(ids(run(rows, "LOG<>" + long_run, false)), (std::vector<std::uint64_t>{1, 2, 3, 4}));
}

TEST(TextFilter, TimeTerms)
{
    std::vector<SummaryRow> rows{make_summary_row(1, {}, 1.0), make_summary_row(2, {}, 2.0),
                                 make_summary_row(3, {}, 0.996), make_summary_row(4, {}, 0.5),
                                 make_summary_row(5, {}, 0.0)};
    const auto long_ones = run(rows, "time>1h0m", false);
    EXPECT_EQ(ids(long_ones), (std::vector<std::uint64_t>{1, 2, 3})) << "'>' is inclusive, with a 0.005 tolerance";
    EXPECT_EQ(long_ones.sort_column, 20);
    EXPECT_EQ(ids(run(rows, "time<30m", false)), (std::vector<std::uint64_t>{4}));
    EXPECT_EQ(ids(run(rows, "time>0", false)), (std::vector<std::uint64_t>{1, 2, 3, 4, 5}))
        << "a zero duration matches every row with hours and the rows without";
    EXPECT_EQ(ids(run(rows, "time<0", false)), (std::vector<std::uint64_t>{5}));
    EXPECT_TRUE(run(rows, "time>abc", false).visible.empty()) << "an unreadable value is ignored";
    EXPECT_TRUE(run(rows, "time=x", false).visible.empty());
    EXPECT_TRUE(run(rows, "time!1h", false).visible.empty()) << "unknown operator never matches";
}

TEST(TextFilter, TimeTermUnderExactMatchExcludesRowsWithoutHours)
{
    std::vector<SummaryRow> rows{make_summary_row(1, {{18, "pump"}}, 2.0), make_summary_row(2, {{18, "pump pump"}}, 0)};
    EXPECT_EQ(ids(run(rows, "pump time>1h", true)), (std::vector<std::uint64_t>{1}));
    EXPECT_EQ(ids(run(rows, "pump time>1h", false)), (std::vector<std::uint64_t>{1, 2}));
}

TEST(TextFilter, PresetPhrases)
{
    auto rows = sample_rows();
    const auto open = run(rows, "Open Logs", false);
    EXPECT_EQ(open.mode, TextFilter::Mode::open_logs);
    EXPECT_EQ(ids(open), (std::vector<std::uint64_t>{1, 3}));
    EXPECT_EQ(open.sort_column, 3);
    EXPECT_EQ(rows[0].search_count, 0) << "presets leave the Matches column empty";

    EXPECT_EQ(ids(run(rows, "24 hours", false)), (std::vector<std::uint64_t>{1, 4}));
    EXPECT_EQ(ids(run(rows, "7 DAYS", true)), (std::vector<std::uint64_t>{1, 2, 4}))
        << "700000 s ago is outside the last 604800 s";
    EXPECT_EQ(run(rows, "open logs now", false).mode, TextFilter::Mode::terms);
}

TEST(TextFilter, PresetTimeWindowsEndExactlyOnTheirFirstSecond)
{
    std::vector<SummaryRow> rows{make_summary_row(1, {}, 0, now - 86400), make_summary_row(2, {}, 0, now - 86401),
                                 make_summary_row(3, {}, 0, now - 604800), make_summary_row(4, {}, 0, now - 604801),
                                 make_summary_row(5, {}, 0, now)};
    EXPECT_EQ(ids(run(rows, "24 Hours", false)), (std::vector<std::uint64_t>{1, 5}))
        << "updated exactly 86400 s ago is inside the last 24 hours, one second earlier is not";
    EXPECT_EQ(ids(run(rows, "7 Days", false)), (std::vector<std::uint64_t>{1, 2, 3, 5}))
        << "updated exactly 604800 s ago is inside the last 7 days, one second earlier is not";
}

TEST(TextFilter, BlankFilterShowsEveryRowAndClearsCounts)
{
    auto rows = sample_rows();
    run(rows, "pump", false);
    const auto blank = run(rows, "   ", false);
    EXPECT_EQ(blank.mode, TextFilter::Mode::blank);
    EXPECT_EQ(blank.visible.size(), rows.size());
    for (const auto& row : rows)
        EXPECT_EQ(row.search_count, 0);
}

TEST(TextFilter, Labels)
{
    EXPECT_EQ(TextFilter::count_label(12, 340), "Showing 12 of 340 log records [3.5%].");
    EXPECT_EQ(TextFilter::count_label(0, 0), "Showing 0 of 0 log records.");
    EXPECT_EQ(TextFilter::blank_label(7), "Showing all 7 log records.");
}

TEST(TextFilter, PresetMenuUsesLocalDates)
{
    const auto presets = TextFilter::presets(now);
    ASSERT_EQ(presets.size(), 13u);
    EXPECT_EQ(presets[0].filter_text, "Open Logs");
    EXPECT_EQ(presets[4].item, "Updated Today");
    EXPECT_EQ(presets[4].filter_text.rfind("updated=", 0), 0u);
    EXPECT_EQ(presets[4].filter_text.size(), std::string("updated=2023-11-14").size());
    EXPECT_NE(presets[4].filter_text.substr(8), presets[8].filter_text.substr(8)) << "yesterday differs";
    EXPECT_EQ(presets[12].filter_text, "time>1h0m");
    EXPECT_TRUE(presets[3].item.empty()) << "separators";
}
