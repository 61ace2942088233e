#include "RowFactory.h"
#include "SummarySort.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{
std::vector<std::uint64_t> ids(const std::vector<SummaryRow>& rows)
{
    std::vector<std::uint64_t> found;
    for (const auto& row : rows)
        found.push_back(row.id);
    return found;
}
} // namespace

TEST(SummarySort, NumericColumnsUseTheRowsNumbers)
{
    std::vector<SummaryRow> rows{make_summary_row(10, {}, 2.0, 300, 0, 50), make_summary_row(9, {}, 0.5, 100, 20, 0),
                                 make_summary_row(100, {}, 1.0, 200, 10, 70)};
    sort_summary_rows(rows, 5, true);
    EXPECT_EQ(ids(rows), (std::vector<std::uint64_t>{10, 100, 9})) << "entries without a start come first";
    sort_summary_rows(rows, 8, false);
    EXPECT_EQ(ids(rows), (std::vector<std::uint64_t>{100, 10, 9})) << "open entries last when Complete descends";
    sort_summary_rows(rows, 4, true);
    EXPECT_EQ(ids(rows), (std::vector<std::uint64_t>{9, 100, 10}));
    sort_summary_rows(rows, 20, false);
    EXPECT_EQ(ids(rows), (std::vector<std::uint64_t>{10, 100, 9}));
    sort_summary_rows(rows, 1, true);
    EXPECT_EQ(ids(rows), (std::vector<std::uint64_t>{9, 10, 100})) << "DB ID sorts as a number, not as text";
}

TEST(SummarySort, TextColumnsIgnoreCaseAndPutPrefixesFirst)
{
    std::vector<SummaryRow> rows{make_summary_row(1, {{12, "pump-2"}}), make_summary_row(2, {{12, "Motor"}}),
                                 make_summary_row(3, {{12, "PUMP"}}), make_summary_row(4, {{12, ""}}),
                                 make_summary_row(5, {{12, "pump"}})};
    sort_summary_rows(rows, 12, true);
    const auto order = ids(rows);
    EXPECT_EQ(order[0], 4u);
    EXPECT_EQ(order[1], 2u);
    EXPECT_EQ(order[2], 3u) << "pump and PUMP are equal, and keep their order";
    EXPECT_EQ(order[3], 5u);
    EXPECT_EQ(order[4], 1u);

    sort_summary_rows(rows, 12, false);
    EXPECT_EQ(ids(rows).front(), 1u);
    EXPECT_EQ(ids(rows).back(), 4u);
    EXPECT_EQ(rows.front().cell(12), "pump-2") << "rows keep their texts when they move";
}

TEST(SummarySort, NoSortColumnKeepsTheLoadOrder)
{
    std::vector<SummaryRow> rows;
    for (std::uint64_t id = 500; id > 0; --id)
        rows.push_back(make_summary_row(id, {{9, id % 2 ? "open" : "closed"}}));
    sort_summary_rows(rows, 0, true);
    for (std::size_t i = 0; i < rows.size(); ++i)
        ASSERT_EQ(rows[i].id, 500 - i) << "newest first, as loaded";
    sort_summary_rows(rows, 9, false);
    EXPECT_EQ(rows[0].id, 499u) << "within equal statuses the previous order stays";
    EXPECT_EQ(rows[1].id, 497u);
}

TEST(SummarySort, NumbersOfEverySignAndSize)
{
    std::vector<SummaryRow> rows{make_summary_row(1, {}, -1.5), make_summary_row(2, {}, 2.25),
                                 make_summary_row(3, {}, -0.25), make_summary_row(4, {}, 0.0),
                                 make_summary_row(5, {}, 1e12), make_summary_row(6, {}, -1e12)};
    sort_summary_rows(rows, 20, true);
    EXPECT_EQ(ids(rows), (std::vector<std::uint64_t>{6, 1, 3, 4, 2, 5}));
    sort_summary_rows(rows, 20, false);
    EXPECT_EQ(ids(rows), (std::vector<std::uint64_t>{5, 2, 4, 3, 1, 6}));

    std::vector<SummaryRow> counts{make_summary_row(1, {}), make_summary_row(2, {}), make_summary_row(3, {})};
    counts[0].search_count = -7; // never happens, but must still sort
    counts[1].search_count = 300;
    counts[2].search_count = 2;
    sort_summary_rows(counts, 22, true);
    EXPECT_EQ(ids(counts), (std::vector<std::uint64_t>{1, 3, 2}));

    std::vector<SummaryRow> big{make_summary_row(std::uint64_t{1} << 63, {}), make_summary_row(5, {}),
                                make_summary_row(~std::uint64_t{0}, {}), make_summary_row(256, {})};
    sort_summary_rows(big, 1, true);
    EXPECT_EQ(ids(big), (std::vector<std::uint64_t>{5, 256, std::uint64_t{1} << 63, ~std::uint64_t{0}}));
}

TEST(SummarySort, MatchesAndUnusualHours)
{
    std::vector<SummaryRow> rows{make_summary_row(1, {}), make_summary_row(2, {}), make_summary_row(3, {})};
    rows[0].search_count = 1;
    rows[1].search_count = 5;
    sort_summary_rows(rows, 22, false);
    EXPECT_EQ(ids(rows), (std::vector<std::uint64_t>{2, 1, 3}));

    rows[0].hours = std::numeric_limits<double>::quiet_NaN();
    rows[1].hours = 1;
    rows[2].hours = -1;
    sort_summary_rows(rows, 20, true);
    EXPECT_TRUE(std::isnan(rows[0].hours)) << "NaN sorts first instead of breaking the sort";
}

TEST(SummaryRow, CellsAndUpperCase)
{
    const auto row = make_summary_row(42, {{9, "Open"}, {18, "pump läuft"}, {21, "x"}});
    EXPECT_EQ(row.cell(1), "42");
    EXPECT_EQ(row.cell(0), "");
    EXPECT_EQ(row.cell(9), "Open");
    EXPECT_EQ(row.upper_cell(9), "OPEN");
    EXPECT_EQ(row.upper_cell(18), "PUMP LäUFT") << "only ASCII letters change case";
    EXPECT_EQ(row.cell(21), "x");
    EXPECT_EQ(row.cell(22), "");
    const auto all = row.upper_cells();
    EXPECT_EQ(row.cell_at(all.find("OPEN")), 9);
    EXPECT_EQ(row.cell_at(all.find("X")), 21);
    EXPECT_EQ(row.cell_at(0), 1);
}
