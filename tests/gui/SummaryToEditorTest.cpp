#include "EditorWnd.h"
#include "SampleLogs.h"
#include "ShiftLogSummaryWnd.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

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
    summary->clone_button.triggerClick();
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
