#include "RowFactory.h"
#include "ZelString.h"

#include <gtest/gtest.h>

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
