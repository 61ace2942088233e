#include "AdminCostCenterComponent.h"
#include "EditorComponent.h"
#include "ShiftLogSummaryComponent.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <map>

// A database that keeps any bytes, as old SQL_ASCII ones do: 2001 holds Latin-1 and broken UTF-8,
// 2002 a text of 1 MiB, NaN hours and a display number beyond 32 bits.
TEST(OutsideBytes, ShownReadablyCutOnlyInCellsAndLogAndNeverRewrittenUntouched)
{
    sandbox::Database database("SQL_ASCII");
    load_sample_site(database);
    database.execute(R"SQL(
INSERT INTO vek.logs (id, display_number, motor_id, departments_id, shifts_id, categories_id, problem, action,
                      authors_id, status_id, hours, downtime_reasons_id, timestamp_start, timestamp_end)
  OVERRIDING SYSTEM VALUE VALUES
  (2001, 42, 1, 1, 2, 2, E'Caf\xE9 \xE0 noon', E'\x80 \xE2\x82 \xC0\xAF \xED\xA0\x80', 1, 2, 1.5, 1, now(), now()),
  (2002, 3000000000, 1, 1, 2, 2, repeat(E'Stra\xDFe ', 150000), 'x', 1, 1, 'NaN', 1, now(), NULL);
INSERT INTO vek.cost_center (name) VALUES (E'A Caf\xE9 \xC0\xAF');
)SQL");
    const auto stored = [&](const std::string& column, int id) {
        return database.value("SELECT " + column + " FROM vek.logs WHERE id = " + std::to_string(id));
    };
    TestApp test(&database);
    std::map<std::uint64_t, const SummaryRow*> rows;
    for (const auto& row : test.open_summary(1).all_rows)
        rows[row.id] = &row;
    const std::string cafe = "Caf\xC3\xA9 \xC3\xA0 noon";
    ASSERT_EQ(rows.count(2001) + rows.count(2002), 2u);
    EXPECT_EQ(rows[2001]->cell(18), cafe) << "Windows-1252 letters in the cell";
    EXPECT_EQ(rows[2001]->cell(19), "\xE2\x82\xAC \xC3\xA2\xE2\x80\x9A \xC3\x80\xC2\xAF \xC3\xAD\xC2\xA0\xE2\x82\xAC");
    EXPECT_EQ(std::string(rows[2001]->cell(2)) + " " + std::string(rows[2002]->cell(2)), "PM-0000000042 PM-3000000000")
        << "bigint numbers";
    EXPECT_LE(rows[2002]->cell(18).size(), LogEntry::longest_listed_text * 2 + 3) << "a cell holds a cut text";
    EXPECT_EQ(rows[2002]->cell(20), "") << "NaN hours show no time";
    {
        AdminCostCenterComponent admin;
        auto* cell = dynamic_cast<juce::Label*>(admin.table_box.getCellComponent(2, 0));
        ASSERT_NE(cell, nullptr) << "the first cost center by name has a cell";
        EXPECT_EQ(cell->getText().toStdString(), "A Caf\xC3\xA9 \xC3\x80\xC2\xAF") << "an admin cell, as letters";
    }

    const std::string action = stored("action", 2001);
    {
        EditorComponent editor(true);
        editor.load_order(2001, false);
        EXPECT_EQ(editor.problem.getText(), juce::String(juce::CharPointer_UTF8(cafe.c_str())));
        EXPECT_FALSE(editor.save_button.isEnabled()) << "shown as letters, still unchanged";
        editor.problem.setText(editor.problem.getText() + " again", true);
        ASSERT_TRUE(editor.save_order()) << read_log();
    }
    EXPECT_EQ(stored("problem", 2001), cafe + " again") << "the edited text is saved as it was seen";
    EXPECT_EQ(stored("action", 2001), action) << "the untouched one keeps its bytes";

    const auto log_before = read_log().size();
    EditorComponent editor(true);
    editor.load_order(2002, false);
    EXPECT_EQ(editor.time.editor.getText(), "") << "no number of hours to show";
    EXPECT_NE(editor.time.getComponentEffect(), nullptr) << "the time field is marked";
    EXPECT_FALSE(editor.save_button.isEnabled()) << "no endless unsaved changes, nothing to save";
    EXPECT_EQ(read_log().find("failed to load correctly", log_before), std::string::npos) << "loaded as stored";
    EXPECT_FALSE(editor.has_unsaved_edits());
    EXPECT_EQ(editor.problem.getText().length(), 7 * 150000) << "the editor holds the whole text";
    EXPECT_LT(read_log().size() - log_before, 100u * 1024) << "the log dump holds a cut text";
    editor.time.editor.setText("1h", true);
    settle_messages();
    ASSERT_TRUE(editor.save_order()) << read_log();
    EXPECT_EQ(stored("hours", 2002) + " " + stored("length(problem)", 2002), "1 1050000");
}
