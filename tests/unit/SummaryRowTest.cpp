#include "RowFactory.h"
#include "ZelString.h"

#include <gtest/gtest.h>

#include <array>
#include <string_view>

TEST(SummaryRowText, UpperCaseIsTheAlphabetAndNothingElse)
{
    // The bytes on either side of both alphabets, and a UTF-8 letter, stay as they are.
    const std::string text = "`abcdefghijklmnopqrstuvwxyz{ @ABCDEFGHIJKLMNOPQRSTUVWXYZ[ \xC3\xA4";
    const SummaryRow row = make_summary_row(1, {{18, text}, {19, "z"}});
    EXPECT_EQ(row.upper_cell(18), "`ABCDEFGHIJKLMNOPQRSTUVWXYZ{ @ABCDEFGHIJKLMNOPQRSTUVWXYZ[ \xC3\xA4");
    EXPECT_EQ(row.upper_cell(18), Zel::toUpper(text)) << "the filter and the rows upper-case alike";
    EXPECT_EQ(row.upper_cell(19), "Z") << "the last letter, alone in its cell";
    EXPECT_EQ(row.cell(18), text) << "the shown text keeps its case";
}

TEST(SummaryRowText, CellsWithoutAnyDataAreEmpty)
{
    std::array<std::string_view, SummaryRow::cell_count> cells{}; // NULL columns: no data, not even a pointer
    cells[2] = "PM-042";
    const SummaryRow row(cells);
    EXPECT_EQ(row.cell(1), "");
    EXPECT_EQ(row.cell(2), "PM-042");
    EXPECT_EQ(row.upper_cell(21), "") << "the last cell";
}
