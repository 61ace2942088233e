#include "Cfg.h"
#include "EditorWnd.h"
#include "Interaction.h"
#include "QuitSignals.h"
#include "SampleLogs.h"
#include "ShiftLogSummaryWnd.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>

namespace
{
class SummaryToEditor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recorder().reset();
        load_sample_site(database);
        add_sample_logs(database, 60);
        test.load_store();
        test.app.current_role_id = 1;
        test.app.run(VekApplication::job_shift_log_summary_window);
        summary = &test.app.summary_window->component;
        ASSERT_TRUE(pump_until([this] { return summary->isEnabled() && summary->model_attached(); }, 10000))
            << "the first load finishes";
    }

    void filter(const juce::String& text)
    {
        summary->filter_box.setText(text, true);
        const auto words = TextFilter::words_of(text.toStdString());
        ASSERT_TRUE(pump_until([&] { return summary->applied_words == words; }, 5000)) << text;
        pump_messages(100); // the header's sort request arrives asynchronously
    }

    std::vector<RecordingInteraction::Box> limit_warnings()
    {
        std::vector<RecordingInteraction::Box> found;
        for (const auto& box : recorder().boxes())
            if (box.title == "Too many open windows!")
                found.push_back(box);
        return found;
    }

    int row_of(std::uint64_t id) const
    {
        for (std::size_t row = 0; row < summary->visible_rows.size(); ++row)
            if (summary->visible_rows[row]->id == id)
                return static_cast<int>(row);
        return -1;
    }

    sandbox::Database database;
    TestApp test{&database};
    ShiftLogSummaryComponent* summary = nullptr;
};
} // namespace

TEST_F(SummaryToEditor, ToolbarControlsFillTheirRows)
{
    summary->setSize(800, 500);
    for (juce::Component* control : std::initializer_list<juce::Component*>{
             &summary->count_label, &summary->filter_box, &summary->exact_match, &summary->add_button,
             &summary->clone_button, &summary->filters_button, &summary->reload_button})
        EXPECT_EQ(control->getHeight(), 25) << control->getName() << " is as tall as its row";
    EXPECT_EQ(summary->count_label.getY(), 10) << "5 pixels inset and the row's 5-pixel margin";
    EXPECT_EQ(summary->add_button.getY(), 45) << "the row below, after both rows' margins";
    EXPECT_EQ(summary->add_button.getX(), 10);
    EXPECT_EQ(summary->reload_button.getRight(), 790) << "the buttons spread over the whole row";
    EXPECT_EQ(summary->add_button.getWidth(), 100);
    EXPECT_EQ(summary->table.getY(), 80);
}

TEST_F(SummaryToEditor, CloneFollowsTheSelectionWheneverTheRowsChange)
{
    ASSERT_GE(summary->getNumRows(), 2);
    const std::uint64_t chosen = summary->visible_rows[1]->id;
    summary->table.selectRow(1);
    EXPECT_TRUE(summary->clone_button.isEnabled());

    filter("log=" + juce::String(std::string(summary->visible_rows[0]->cell(2))));
    ASSERT_GE(summary->getNumRows(), 1);
    ASSERT_EQ(row_of(chosen), -1) << "the chosen row is filtered out";
    EXPECT_EQ(summary->table.getNumSelectedRows(), 0);
    EXPECT_FALSE(summary->clone_button.isEnabled()) << "nothing to clone";
    summary->buttonClicked(&summary->clone_button); // past the disabled button, as a shortcut might
    pump_messages(50);
    EXPECT_TRUE(summary->open_editors.empty()) << "no empty editor opens in place of a clone";

    filter("");
    EXPECT_EQ(summary->table.getNumSelectedRows(), 0) << "a row that was filtered out is not remembered";
    EXPECT_FALSE(summary->clone_button.isEnabled());
    summary->table.selectRow(row_of(chosen));
    EXPECT_TRUE(summary->clone_button.isEnabled());

    summary->load(1);
    EXPECT_TRUE(summary->clone_button.isEnabled()) << "still selected after a reload";
    summary->clone_button.triggerClick();
    pump_messages(50);
    ASSERT_EQ(summary->open_editors.size(), 1u);
    const EditorWnd& clone = **summary->open_editors.begin();
    EXPECT_EQ(clone.dbid, 0u);
    EXPECT_EQ(clone.component.loaded_entry.id, chosen) << "the clone is made from the selected entry";
    EXPECT_EQ(clone.component.get_entry_from_screen().problem, clone.component.loaded_entry.problem);
}

TEST_F(SummaryToEditor, MinimisedEditorsStayAndClosedOnesDoNotCountAgainstTheLimit)
{
    for (int row = 0; row < 5; ++row)
        summary->open_existing_entry(row);
    ASSERT_EQ(summary->open_editors.size(), 5u);
    const std::uint64_t kept = summary->visible_rows[0]->id;
    EditorWnd* minimised = summary->editor_for(kept);
    minimised->component.problem.setText("typed, then minimised", true);
    minimised->setMinimised(true);
    ASSERT_TRUE(pump_until([&] { return ! minimised->isShowing(); }, 5000)) << "a minimised window is not showing";
    pump_messages(1700); // two clean-up passes
    EXPECT_EQ(summary->editor_for(kept), minimised) << "but it is still open";
    EXPECT_EQ(minimised->component.problem.getText(), "typed, then minimised");
    EXPECT_EQ(database.value("SELECT lock_name IS NOT NULL FROM vek.logs WHERE id = " + std::to_string(kept)), "t")
        << "with its lock";

    summary->editor_for(summary->visible_rows[1]->id)->closeButtonPressed();
    summary->editor_for(summary->visible_rows[2]->id)->closeButtonPressed();
    EXPECT_EQ(summary->open_window_count(), 3u);
    summary->open_existing_entry(5);
    summary->open_new_entry(false);
    EXPECT_TRUE(limit_warnings().empty()) << "closed editors waiting to be deleted are not open windows";
    EXPECT_EQ(summary->open_window_count(), 5u);

    summary->open_existing_entry(6);
    summary->open_new_entry(false);
    const auto boxes = limit_warnings();
    ASSERT_EQ(boxes.size(), 2u) << "five open windows are the limit";
    EXPECT_EQ(boxes[0].title, "Too many open windows!");
    EXPECT_EQ(boxes[0].message, "There are too many open entry editor windows.  Please close one of the other windows "
                                "before opening another log entry.");
    EXPECT_EQ(boxes[1].message, "There are too many open editor windows.  Please close one of the other windows "
                                "before creating a new log entry.");
    EXPECT_TRUE(pump_until([this] { return summary->open_editors.size() == 5u; }, 3000))
        << "the closed ones are deleted";
}

TEST_F(SummaryToEditor, AClosedEditorOpenedAgainCountsLikeANewOne)
{
    for (int row = 0; row < 5; ++row)
        summary->open_existing_entry(row);
    EditorWnd* closed = summary->editor_for(summary->visible_rows[0]->id);
    closed->closeButtonPressed();
    summary->open_new_entry(false);
    EXPECT_EQ(summary->open_window_count(), 5u);
    summary->open_existing_entry(0); // before the clean-up deletes the closed one
    EXPECT_EQ(summary->open_window_count(), 5u) << "never a sixth window";
    EXPECT_FALSE(closed->isVisible());
    const auto boxes = limit_warnings();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].message.find("before opening another log entry."), std::string::npos);
}

TEST_F(SummaryToEditor, AReadOnlyEditorStaysReadOnlyAcrossAReload)
{
    const std::uint64_t id = summary->visible_rows[0]->id;
    database.execute("SELECT pg_advisory_lock(" + std::to_string(id) + ")");
    summary->open_existing_entry(0);
    EditorWnd* editor = summary->editor_for(id);
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(editor->component.isEnabled());
    summary->load(1);
    EXPECT_TRUE(editor->isEnabled()) << "the reload enables its window again";
    EXPECT_FALSE(editor->component.isEnabled()) << "but never the read-only content";
    EXPECT_FALSE(editor->component.has_unsaved_edits());
}

TEST_F(SummaryToEditor, ASaveClosesTheEditorAndReloadsTheSummary)
{
    // Unlike the sample entries, one whose every field is valid.
    const std::uint64_t id = 5000;
    database.execute("INSERT INTO vek.logs (id, display_number, motor_id, departments_id, shifts_id, categories_id, "
                     "problem, authors_id, status_id, downtime_reasons_id) OVERRIDING SYSTEM VALUE VALUES "
                     "(5000, 500, 1, 1, 1, 1, 'valid', 1, 1, 1)");
    summary->load(1);
    summary->open_existing_entry(row_of(id));
    EditorWnd* editor = summary->editor_for(id);
    editor->component.problem.setText("saved from the summary", true);
    settle_messages();
    ASSERT_TRUE(editor->component.save_button.isEnabled()) << editor->component.save_button.getTooltip();
    editor->component.buttonClicked(&editor->component.save_button);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(summary->isEnabled()) << "the saved row is merged in, without a progress window";

    // Opened again before the saved window is deleted: the entry as now stored, ready for editing.
    summary->open_existing_entry(row_of(id));
    EditorWnd* again = summary->editor_for(id);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->isVisible());
    EXPECT_TRUE(again->component.isEnabled()) << "a fresh window takes input";
    EXPECT_EQ(again->component.problem.getText(), "saved from the summary");
    EXPECT_TRUE(again->component.is_locked);
    again->component.buttonClicked(&again->component.cancel_button);
    EXPECT_TRUE(pump_until(
        [&] {
            return summary->isEnabled() && row_of(id) >= 0
                   && summary->visible_rows[static_cast<std::size_t>(row_of(id))]->cell(18) == "saved from the summary";
        },
        10000))
        << "the saved row is loaded again";
    EXPECT_TRUE(pump_until([&] { return summary->editor_for(id) == nullptr; }, 3000)) << "and its editor deleted";
    EXPECT_EQ(database.value("SELECT lock_name IS NULL FROM vek.logs WHERE id = " + std::to_string(id)), "t");
}

TEST_F(SummaryToEditor, UnsavedEditsAreSavedDiscardedOrKeptBeforeAQuit)
{
    const std::uint64_t id = summary->visible_rows[0]->id;
    summary->open_existing_entry(0);
    EditorComponent& editor = summary->editor_for(id)->component;
    test.app.systemRequestedQuit();
    EXPECT_EQ(recorder().quits(), 1) << "an untouched editor loses nothing";
    EXPECT_TRUE(recorder().boxes().empty());

    recorder().reset();
    editor.problem.setText("typed before quitting", true);
    settle_messages();
    test.app.summary_window->closeButtonPressed();
    ASSERT_EQ(recorder().boxes().size(), 1u);
    EXPECT_EQ(recorder().boxes()[0].title, "Unsaved changes!");
    EXPECT_EQ(recorder().quits(), 0) << "the quit waits for the answer";
    ASSERT_TRUE(recorder().answer(Interaction::Answer::cancel));
    EXPECT_EQ(recorder().quits(), 0);
    EXPECT_TRUE(test.app.summary_window->isVisible()) << "cancelled: the summary window is back";

    test.app.systemRequestedQuit();
    ASSERT_TRUE(recorder().answer(Interaction::Answer::discard));
    EXPECT_EQ(recorder().quits(), 1);
    EXPECT_NE(database.value("SELECT problem FROM vek.logs WHERE id = " + std::to_string(id)), "typed before quitting");

    recorder().reset();
    test.app.systemRequestedQuit();
    ASSERT_TRUE(recorder().answer(Interaction::Answer::save));
    EXPECT_EQ(recorder().quits(), 1);
    EXPECT_EQ(database.value("SELECT problem FROM vek.logs WHERE id = " + std::to_string(id)), "typed before quitting");

    recorder().reset();
    summary->open_new_entry(false);
    settle_messages();
    EditorWnd* fresh = summary->editor_for(0);
    ASSERT_NE(fresh, nullptr);
    test.app.systemRequestedQuit();
    EXPECT_EQ(recorder().quits(), 1) << "an untouched new editor loses nothing";
    recorder().reset();
    fresh->component.problem.setText("no equipment chosen yet", true);
    settle_messages();
    test.app.systemRequestedQuit();
    ASSERT_TRUE(recorder().answer(Interaction::Answer::save));
    EXPECT_EQ(recorder().quits(), 0) << "an entry that cannot be saved keeps the program open";
    EXPECT_TRUE(fresh->isVisible());
    EXPECT_EQ(fresh->component.problem.getText(), "no equipment chosen yet");
}

TEST_F(SummaryToEditor, ASignalAfterACancelledQuitAsksAgain)
{
    const QuitSignals signals;
    summary->open_existing_entry(0);
    summary->editor_for(summary->visible_rows[0]->id)->component.problem.setText("typed, then a signal", true);
    settle_messages();
    std::size_t logged = 0;
    for (int round = 1; round <= 2; ++round)
    {
        std::raise(SIGTERM); // a second signal while quitting would end this process
        ASSERT_TRUE(pump_until([&] { return read_log().find("received SIGTERM: quitting", logged) != std::string::npos; },
                               5000));
        logged = read_log().find("received SIGTERM: quitting", logged) + 1;
        test.app.systemRequestedQuit(); // as the signal's quit does once the start-up is over
        ASSERT_TRUE(recorder().answer(Interaction::Answer::cancel)) << "asked again in round " << round;
    }
    EXPECT_EQ(recorder().quits(), 0);
}

TEST_F(SummaryToEditor, AChangeOfRoleSettlesUnsavedEditsAndClosesTheEditors)
{
    const std::uint64_t id = summary->visible_rows[0]->id;
    summary->open_existing_entry(0);
    summary->editor_for(id)->component.problem.setText("typed before the role changes", true);
    settle_messages();
    const juce::KeyPress role_key(juce::KeyPress::F12Key,
                                  juce::ModifierKeys::commandModifier | juce::ModifierKeys::shiftModifier, 0);
    EXPECT_TRUE(test.app.summary_window->keyPressed(role_key));
    ASSERT_TRUE(recorder().answer(Interaction::Answer::cancel));
    EXPECT_TRUE(test.app.summary_window->isVisible()) << "cancelled: the role stays";
    EXPECT_EQ(test.app.role_pick_window, nullptr);

    EXPECT_TRUE(test.app.summary_window->keyPressed(role_key));
    ASSERT_TRUE(recorder().answer(Interaction::Answer::discard));
    EXPECT_TRUE(summary->open_editors.empty()) << "the editors go with the role";
    EXPECT_NE(test.app.role_pick_window, nullptr);
    EXPECT_FALSE(test.app.summary_window->isVisible());
    EXPECT_EQ(database.value("SELECT lock_name IS NULL FROM vek.logs WHERE id = " + std::to_string(id)), "t")
        << "and their locks";
}

TEST_F(SummaryToEditor, AClosedEditorComesBackUntilDeletedAndTheLastDeletedPlacesTheNext)
{
    const std::uint64_t first = summary->visible_rows[0]->id;
    const std::uint64_t second = summary->visible_rows[1]->id;
    summary->open_existing_entry(0);
    summary->open_existing_entry(1);
    EditorWnd* a = summary->editor_for(first);
    EditorWnd* b = summary->editor_for(second);
    EXPECT_EQ(a->getName(), "VEK v1.2.1-3304 - Log Entry Editor");
    a->setSize(700, 420);
    b->setSize(650, 410);
    a->component.problem.setText("left as it was", true);

    a->closeButtonPressed();
    summary->open_existing_entry(0);
    EXPECT_EQ(summary->editor_for(first), a) << "reopened before the clean-up: the same window";
    EXPECT_TRUE(a->isVisible());
    EXPECT_EQ(a->component.problem.getText(), "left as it was") << "as it was left";

    a->closeButtonPressed();
    ASSERT_TRUE(pump_until([&] { return summary->editor_for(first) == nullptr; }, 3000));
    const juce::String b_state = b->getWindowStateAsString();
    b->closeButtonPressed();
    ASSERT_TRUE(pump_until([&] { return summary->editor_for(second) == nullptr; }, 3000));
    EXPECT_EQ(test.app.cfg->getValue("EditorWnd"), b_state) << "one key for all editor windows";
    EXPECT_EQ(database.value("SELECT count(*) FROM vek.logs WHERE lock_name IS NOT NULL"), "0");

    summary->open_existing_entry(0);
    EditorWnd* again = summary->editor_for(first);
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again->component.problem.getText(), "left as it was") << "after the clean-up: a fresh window";
    EXPECT_TRUE(again->component.is_locked) << "and a fresh lock";
    EXPECT_NEAR(again->getWidth(), 650, 5) << "placed as the editor deleted last, not as the one before";
}

TEST_F(SummaryToEditor, TheMergeAfterASaveShowsWhatASevenDayReloadShowsAndKeepsTheView)
{
    // Two entries older than a week, which the year's load holds and the week's does not.
    database.execute("INSERT INTO vek.logs (id, display_number, motor_id, departments_id, shifts_id, categories_id, "
                     "problem, action, authors_id, status_id, hours, downtime_reasons_id, last_updated, "
                     "timestamp_start, timestamp_end) OVERRIDING SYSTEM VALUE VALUES "
                     "(5000, 500, 1, 1, 1, 1, 'valid pump', '', 1, 1, 0, 1, now(), now(), NULL), "
                     "(5001, 501, 1, 2, 1, 1, 'old pump', 'done', 1, 2, 1, 1, now() - interval '20 days', "
                     "now() - interval '21 days', now() - interval '20 days'), "
                     "(5002, 502, 1, 3, 1, 1, 'old pump', 'done', 1, 2, 1, 1, now() - interval '30 days', "
                     "now() - interval '31 days', now() - interval '30 days')");
    summary->load(4);
    // No filter: a full reload sorts by a typed filter's own column, where the merge keeps the sort.
    summary->table.getHeader().setSortColumnId(18, true);
    pump_messages(100);
    const std::uint64_t kept = std::stoull(database.value("SELECT min(id) FROM vek.logs"));
    summary->table.selectRow(row_of(kept));
    summary->table.selectRow(row_of(5001), false, false);
    ASSERT_GE(row_of(5002), 0);
    juce::Viewport& viewport = *summary->table.getViewport();
    const int row_height = summary->table.getRowHeight();
    viewport.setViewPosition(0, 10 * row_height + 3);
    ASSERT_EQ(viewport.getViewPositionY(), 10 * row_height + 3) << "the table scrolls";
    const std::uint64_t top = summary->visible_rows[10]->id;
    const std::size_t logged_before = read_log().size();

    summary->open_existing_entry(row_of(5000));
    EditorWnd* editor = summary->editor_for(5000);
    editor->component.problem.setText("saved pump", true);
    settle_messages();
    ASSERT_TRUE(editor->component.save_button.isEnabled()) << editor->component.save_button.getTooltip();
    editor->component.buttonClicked(&editor->component.save_button);
    ASSERT_TRUE(pump_until([&] { return row_of(5000) >= 0 && summary->visible_rows[static_cast<std::size_t>(row_of(5000))]->cell(18) == "saved pump"; }, 5000))
        << "the save is merged in";
    EXPECT_EQ(read_log().find("progress thread has started", logged_before), std::string::npos)
        << "no load behind a progress window";
    EXPECT_EQ(row_of(5001), -1) << "older than the week";
    EXPECT_EQ(summary->loaded_period, 1);
    EXPECT_EQ(summary->table.getHeader().getSortColumnId(), 18);
    ASSERT_EQ(summary->table.getNumSelectedRows(), 1) << "the selected row that stayed";
    EXPECT_EQ(summary->table.getSelectedRow(0), row_of(kept));
    EXPECT_EQ(viewport.getViewPositionY(), row_of(top) * row_height + 3) << "the same row at the top";
    EXPECT_NE(row_of(top), 10) << "which has moved up";

    const auto view = [this] {
        std::vector<std::string> rows;
        for (const SummaryRow* row : summary->visible_rows)
        {
            std::string text = std::to_string(row->search_count);
            for (int cell = 1; cell < SummaryRow::cell_count; ++cell)
                if (cell != 4 && cell != 6 && cell != 8)
                    text += "|" + std::string(row->cell(cell));
            rows.push_back(text);
        }
        return rows;
    };
    const std::vector<std::string> merged = view();
    const std::string label = summary->count_label.getText().toStdString();
    summary->load(1);
    EXPECT_EQ(merged, view()) << "row for row what the 7 days' reload shows";
    EXPECT_EQ(label, summary->count_label.getText().toStdString());
}
