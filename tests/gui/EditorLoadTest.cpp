#include "EditorWnd.h"
#include "LoadWnd.h"
#include "Log.h"
#include "TestSupport.h"
#include "ZelException.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

namespace
{
// The sample site, with entries written outside the client. Department 1 gets a second active
// author, a former one, a second "Electrical" and a second downtime reason; department 2 has one
// category, one author and one downtime reason.
class EditorLoad : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recorder().reset();
        load_sample_site(database);
        database.execute(R"SQL(
INSERT INTO vek.employees (id, first_name, last_name, active, departments_id) OVERRIDING SYSTEM VALUE VALUES
  (101, 'Anna', 'Berg', true, 1), (102, 'Carl', 'Former', false, 1);
INSERT INTO vek.categories (id, name, departments_id) OVERRIDING SYSTEM VALUE VALUES (101, 'Electrical', 1);
INSERT INTO vek.downtime_reasons (id, name, departments_id) OVERRIDING SYSTEM VALUE VALUES
  (101, 'Jam-up', 1), (102, 'Breakdown', 2);
INSERT INTO vek.logs (id, display_number, motor_id, departments_id, shifts_id, categories_id, problem, action,
                      authors_id, status_id, hours, downtime_reasons_id, timestamp_start, timestamp_end)
  OVERRIDING SYSTEM VALUE VALUES
  (1001, 42, 1, 1, 2, 2, E'Belt slips\r\n\ton start', 'Tightened it''s belt', 101, 2, 0.333333, 101,
   now() - interval '3 days', now() - interval '1 day'),
  (1003, 7, 2, 2, 1, 3, 'Saw chatters', '', 2, 1, NULL, NULL, now() - interval '2 hours', NULL),
  (1004, NULL, NULL, 2, NULL, NULL, 'Nothing known yet', NULL, NULL, NULL, NULL, NULL, NULL, NULL);
)SQL");
        test.load_store();
        test.app.current_role_id = 1;
    }

    static std::string local_date(std::int64_t epoch)
    {
        const auto seconds = static_cast<std::time_t>(epoch);
        std::tm local{};
        localtime_r(&seconds, &local);
        char text[64];
        return std::string(text, std::strftime(text, sizeof(text), "%a %b %d, %Y", &local));
    }


    sandbox::Database database;
    TestApp test{&database};
};
} // namespace

TEST_F(EditorLoad, ShowsAnEntryWrittenElsewhereAsStored)
{
    EditorWnd window(1001);
    EditorComponent& editor = window.component;
    EXPECT_EQ(window.dbid, 1001u);
    EXPECT_EQ(editor.dbid, 1001u);

    EXPECT_EQ(editor.department.combobox.getText(), "Planer Mill");
    EXPECT_FALSE(editor.department.combobox.isEnabled()) << "a stored entry's department is fixed";
    EXPECT_EQ(editor.cost_center.combobox.getText(), "Planing");
    EXPECT_EQ(editor.system.combobox.getText(), "Infeed");
    EXPECT_EQ(editor.equipment.combobox.getText(), "PM-CV-101 Infeed conveyor");
    EXPECT_EQ(editor.category.combobox.getText(), "Mechanical");
    EXPECT_EQ(editor.status.combobox.getText(), "closed");
    EXPECT_EQ(editor.author.combobox.getText(), "Anna Berg");
    EXPECT_EQ(editor.shift.combobox.getText(), "Night");
    EXPECT_EQ(editor.time.editor.getText(), "20m");
    EXPECT_EQ(editor.downtime.combobox.getText(), "Jam-up");
    EXPECT_EQ(editor.problem.getText(), "Belt slips\n\ton start") << "a text editor breaks lines with LF alone";
    EXPECT_EQ(editor.get_entry_from_screen().problem, "Belt slips\r\n\ton start") << "but the text is as stored";
    EXPECT_EQ(editor.action.getText(), "Tightened it's belt");

    const std::int64_t start = editor.loaded_entry.epoch_start;
    const std::int64_t end = editor.loaded_entry.epoch_end;
    ASSERT_GT(end, start);
    EXPECT_EQ(editor.start_date.label.getText().toStdString(), local_date(start));
    EXPECT_EQ(editor.start_date.label.getTooltip(), "3 days ago");
    EXPECT_EQ(editor.completion_date.label.getText().toStdString(), local_date(end));
    EXPECT_EQ(editor.completion_date.label.getTooltip(), "24 hours ago");
    const std::string log_number = format_log_number("PM", 42, display_number_width);
    EXPECT_EQ(editor.log_id.label.getText().toStdString(), log_number);
    EXPECT_EQ(editor.log_id.label.getTooltip().toStdString(), log_number + " maps to database log id #1001.");
    EXPECT_EQ(editor.loaded_entry.hours, 0.333333);

    EXPECT_TRUE(recorder().boxes().empty()) << "the verification finds no difference";
    EXPECT_EQ(read_log().find("ERROR: the log entry failed to load correctly!"), std::string::npos);
    EXPECT_NE(read_log().find("loaded log entry from database: log entry id #1001:"), std::string::npos);

    // The reactions to the load's selections change nothing: the time is not read back from
    // its text, so an untouched entry stays unchanged.
    settle_messages();
    EXPECT_TRUE(editor.get_entry_from_screen() == editor.loaded_entry)
        << "on screen:\n" << editor.get_entry_from_screen().to_string() << "loaded:\n"
        << editor.loaded_entry.to_string();
    EXPECT_EQ(editor.completion_date.label.getText().toStdString(), local_date(end)) << "a closing status keeps it";
    EXPECT_TRUE(editor.isEnabled());
    EXPECT_FALSE(editor.save_button.isEnabled()) << "nothing can be saved yet";

    editor.problem.insertTextAtCaret("!");
    EXPECT_EQ(editor.get_entry_from_screen().problem, editor.problem.getText().toStdString()) << "typed: as typed";
    EXPECT_FALSE(editor.get_entry_from_screen() == editor.loaded_entry);
    editor.problem.setText("Belt slips\n\ton start", true);
    EXPECT_TRUE(editor.get_entry_from_screen() == editor.loaded_entry) << "typed back as it was";
}

TEST_F(EditorLoad, RecordsOfOneNameShowTheStoredOneAndSaveIt)
{
    // A second record of each kind under the name of the first, and the entry names the second.
    database.execute(R"SQL(
INSERT INTO vek.employees (id, first_name, last_name, active, departments_id) OVERRIDING SYSTEM VALUE VALUES
  (103, 'Jane', 'Doe', true, 1);
INSERT INTO vek.shifts (id, name) OVERRIDING SYSTEM VALUE VALUES (103, 'Night');
INSERT INTO vek.status (id, name) OVERRIDING SYSTEM VALUE VALUES (103, 'closed');
INSERT INTO vek.downtime_reasons (id, name, departments_id) OVERRIDING SYSTEM VALUE VALUES (103, 'Breakdown', 1);
UPDATE vek.logs SET authors_id = 103, shifts_id = 103, status_id = 103, downtime_reasons_id = 103,
  categories_id = 101 WHERE id = 1001;
)SQL");
    test.app.ReferenceStore::clear();
    test.load_store();
    const std::string stored = "SELECT concat_ws(',', authors_id, shifts_id, status_id, downtime_reasons_id, "
                               "categories_id) FROM vek.logs WHERE id = 1001";
    ASSERT_EQ(database.value(stored), "103,103,103,103,101");

    EditorWnd window(1001);
    EditorComponent& editor = window.component;
    settle_messages();
    for (const auto& [field, id] : {std::pair<GroupboxWithCombobox*, std::uint64_t>{&editor.author, 103},
                                    {&editor.shift, 103}, {&editor.status, 103}, {&editor.downtime, 103},
                                    {&editor.category, 101}})
        EXPECT_EQ(field->get_dbid(), id) << field->getName() << ": the stored record, not the first of its name";
    EXPECT_EQ(editor.author.combobox.getText(), "Jane Doe");
    EXPECT_TRUE(recorder().boxes().empty()) << "shown as stored";
    editor.problem.setText("Belt slips twice", true);
    settle_messages();
    ASSERT_TRUE(editor.save_order());
    EXPECT_EQ(database.value(stored), "103,103,103,103,101") << "a save keeps whom and what the entry named";
}

TEST_F(EditorLoad, RecordsAddedElsewhereSinceTheStartAreEachReportedOnce)
{
    database.execute(R"SQL(
INSERT INTO vek.motors (id, mid, description, process_id) OVERRIDING SYSTEM VALUE VALUES (200, 'PM-CV-200', 'New', 1);
INSERT INTO vek.employees (id, first_name, last_name, active, departments_id) OVERRIDING SYSTEM VALUE VALUES
  (200, 'New', 'Hire', true, 1);
UPDATE vek.logs SET motor_id = 200, authors_id = 200 WHERE id = 1001;
)SQL");
    EditorWnd window(1001);
    settle_messages();
    const std::string log = read_log();
    std::vector<std::string> reported;
    const std::string mark = "The error text is:  Cannot obtain ";
    for (auto at = log.find(mark); at != std::string::npos; at = log.find(mark, at + 1))
        reported.push_back(log.substr(at + mark.size(), log.find(" from", at) - at - mark.size()));
    EXPECT_EQ(reported, (std::vector<std::string>{"motor id #200", "author id #200"}))
        << "each missing record once, nothing for the records the missing one would lead to";
    EXPECT_EQ(recorder().boxes().size(), 3u) << "two errors and the load's own warning";
}

TEST_F(EditorLoad, FieldsThatCannotShowTheStoredValueAreReportedOnce)
{
    database.execute("UPDATE vek.logs SET authors_id=2 WHERE id=1001");

    EditorWnd window(1001);
    EditorComponent& editor = window.component;
    settle_messages();
    EXPECT_EQ(editor.author.get_dbid(), 0u) << "Ravi Patel works in the Sawmill now";
    EXPECT_EQ(editor.author.combobox.getText(), "Ravi Patel") << "the stored name stays in view, unselected";
    EXPECT_FALSE(editor.author.is_valid());

    const auto boxes = recorder().boxes();
    ASSERT_EQ(boxes.size(), 1u) << "the warning, once";
    EXPECT_EQ(boxes[0].title, "VEK failed to load the order!");
    EXPECT_FALSE(boxes[0].modal);
    EXPECT_EQ(boxes[0].message, "The maintenance log entry #1001 failed to load completely. If the error was caused "
                                "by an invalid field, then re-saving the order should fix the problem.\r\n\r\nThe "
                                "file " + log_path()
                                    + " may have some additional details on which part of the log entry failed to "
                                      "load.\r\n\r\nIf this problem continues to happen, please consult the log file "
                                      "or contact " + Zel::supportContact() + " for assistance.");

    const std::string log = read_log();
    EXPECT_NE(log.find("ERROR: the log entry failed to load correctly!"), std::string::npos);
    EXPECT_NE(log.find("number of text differences found: 1"), std::string::npos) << log;
    EXPECT_NE(log.find("-> difference #1: employee #2=\"Ravi Patel\", in department #2"), std::string::npos);
    EXPECT_EQ(log.find("-> difference #2"), std::string::npos) << "one line per difference";
}

TEST_F(EditorLoad, AnEntryWithoutReferencesOpensQuietlyAndUnchanged)
{
    EditorWnd window(1004);
    EditorComponent& editor = window.component;
    settle_messages();
    EXPECT_TRUE(recorder().boxes().empty()) << "nothing is looked up that the entry does not have";
    EXPECT_EQ(editor.log_id.label.getText(), "SM-?");
    EXPECT_EQ(editor.downtime.get_dbid(), 0u) << "the Sawmill's one downtime reason is not filled in";
    EXPECT_EQ(editor.category.get_dbid(), 0u);
    EXPECT_EQ(editor.author.get_dbid(), 0u);
    EXPECT_EQ(editor.equipment.combobox.getNumItems(), 3) << "every piece of equipment to choose from";
    EXPECT_EQ(editor.start_date.label.getText(), "") << "no start time: no date, neither today nor 1970";
    EXPECT_EQ(editor.completion_date.label.getText(), "");
    EXPECT_TRUE(editor.get_entry_from_screen() == editor.loaded_entry)
        << editor.get_entry_from_screen().to_string();
}

TEST_F(EditorLoad, ACloneCopiesTheWorkButNotWhoDidItOrWhen)
{
    EditorWnd window(true, 1001);
    EditorComponent& editor = window.component;
    settle_messages();
    EXPECT_EQ(window.dbid, 0u);
    EXPECT_EQ(editor.loaded_entry.id, 1001u) << "the entry it was copied from";
    EXPECT_FALSE(editor.department.combobox.isEnabled());

    LogEntry expected; // no id, status, author, shift, time or dates
    expected.departments_id = 1;
    expected.motor_id = 1;
    expected.categories_id = 2;
    expected.downtime_reasons_id = 101;
    expected.problem = "Belt slips\r\n\ton start";
    expected.action = "Tightened it's belt";
    EXPECT_TRUE(editor.get_entry_from_screen() == expected) << editor.get_entry_from_screen().to_string();
    EXPECT_EQ(editor.system.get_dbid(), 1u);
    EXPECT_EQ(editor.cost_center.get_dbid(), 1u);
    EXPECT_EQ(editor.time.editor.getText(), "");
    EXPECT_EQ(editor.start_date.label.getText(), "today");
    EXPECT_EQ(editor.completion_date.label.getText(), "");
    EXPECT_EQ(editor.log_id.label.getText(), "");
    EXPECT_TRUE(recorder().boxes().empty()) << "a clone is not verified";
    EXPECT_EQ(database.value("SELECT count(*) FROM vek.logs WHERE lock_name IS NOT NULL"), "0");
}

TEST_F(EditorLoad, AnEntryThatFailsToLoadCannotBeEdited)
{
    EditorWnd window(999999);
    settle_messages();
    auto boxes = recorder().boxes();
    ASSERT_EQ(boxes.size(), 2u) << "the lock query and the read fail, each reported once";
    EXPECT_EQ(boxes[0].title, "VEK problem detected!");
    EXPECT_EQ(boxes[1].title, "VEK problem detected!");
    EXPECT_NE(read_log().find("Expected a single SQL row result"), std::string::npos);
    EXPECT_EQ(window.dbid, 999999u) << "the window still stands for the entry";
    EXPECT_FALSE(window.component.isEnabled()) << "blank fields must not be saved over the entry";
    EXPECT_EQ(window.getBackgroundColour(), juce::Colour(221, 204, 204));

    recorder().reset();
    EditorWnd clone(true, 999999);
    EXPECT_EQ(recorder().boxes().size(), 1u);
    EXPECT_TRUE(clone.component.isEnabled()) << "a failed clone is still a new entry";
    EXPECT_EQ(clone.component.equipment.combobox.getNumItems(), 3) << "with every piece of equipment to choose from";
    EXPECT_EQ(clone.component.cost_center.combobox.getNumItems(), 3);
}

TEST_F(EditorLoad, SaveAndCancelCloseTheWindow)
{
    // Stands in for saving, which this editor cannot do yet.
    struct SavingEditor : EditorComponent
    {
        bool result = false;
        bool save_order() override
        {
            EXPECT_FALSE(isEnabled()) << "disabled while saving";
            return result;
        }
    };

    EditorWnd window(1003);
    SavingEditor saving;
    window.setContentNonOwned(&saving, false);
    saving.buttonClicked(&saving.save_button);
    EXPECT_TRUE(window.isVisible()) << "a failed save leaves the window open";
    EXPECT_TRUE(saving.isEnabled());
    saving.result = true;
    saving.buttonClicked(&saving.save_button);
    EXPECT_FALSE(window.isVisible()) << "a save closes the window";

    window.setVisible(true);
    window.setContentNonOwned(&window.component, false);
    window.component.cancel_button.triggerClick();
    settle_messages(2);
    EXPECT_FALSE(window.isVisible()) << "cancel closes the window";
}
