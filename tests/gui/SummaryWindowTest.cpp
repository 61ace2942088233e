#include "Brand.h"
#include "AdminWnd.h"
#include "Cfg.h"
#include "DB.h"
#include "EditorWnd.h"
#include "LogLoader.h"
#include "RolePickWnd.h"
#include "SampleLogs.h"
#include "ShiftLogSummaryWnd.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace
{
class SummaryWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recorder().reset();
        load_sample_site(database);
        add_sample_logs(database, 400);
    }

    // Opens the summary window for a role and waits for its first load.
    ShiftLogSummaryComponent& open(TestApp& test, std::uint64_t role)
    {
        test.load_store();
        test.app.current_role_id = role;
        test.app.run(VekApplication::job_shift_log_summary_window);
        auto& component = test.app.summary_window->component;
        const bool loaded = pump_until([&] { return component.isEnabled() && component.model_attached(); }, 10000);
        EXPECT_TRUE(loaded) << "the first load finishes";
        return component;
    }

    static std::vector<std::uint64_t> visible_ids(const ShiftLogSummaryComponent& component)
    {
        std::vector<std::uint64_t> ids;
        for (const auto* row : component.visible_rows)
            ids.push_back(row->id);
        return ids;
    }

    // Types into the filter box and waits for the filter to be applied after the pause.
    static void type_filter(ShiftLogSummaryComponent& component, const juce::String& text)
    {
        component.filter_box.setText(text, true);
        const auto words = TextFilter::words_of(text.toStdString());
        ASSERT_TRUE(pump_until([&] { return component.applied_words == words; }, 5000)) << text;
        pump_messages(100); // the header's sort request arrives asynchronously
    }

    sandbox::Database database;
};

bool pixel_with_colour(const juce::Image& image, juce::Colour colour)
{
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (image.getPixelAt(x, y) == colour)
                return true;
    return false;
}
} // namespace

TEST_F(SummaryWindow, ShowsTheLastSevenDaysOfTheRolesDepartments)
{
    TestApp test(&database);
    auto& component = open(test, 1);
    EXPECT_EQ(test.app.summary_window->getName().toStdString(),
              Brand::current().title_prefix + "VEK v1.2.1-3304 - Supervisors Maintenance Logs");

    const std::string where = LogLoader::where_clause(LogLoader::local_date(epoch_now() - 604800), "0, 1, 2, 3, 4");
    // Counted in the client's own session, whose time zone decides where the window's first day starts.
    const std::string count
        = test.app.database->exec1("SELECT count(*) FROM vek.all_logs " + where)[0][0].as<std::string>();
    EXPECT_EQ(component.count_label.getText().toStdString(), "Showing all " + count + " log records.");
    EXPECT_EQ(std::to_string(component.getNumRows()), count);

    auto& header = component.table.getHeader();
    for (int id = 1; id <= 22; ++id)
    {
        const bool hidden = id == 1 || id == 4 || id == 6 || id == 8 || id == 14;
        EXPECT_EQ(header.isColumnVisible(id), ! hidden) << header.getColumnName(id);
    }

    // Open entries are painted dark red, closed ones dark blue.
    int open_row = -1;
    int closed_row = -1;
    for (int row = 0; row < component.getNumRows(); ++row)
        (component.visible_rows[static_cast<std::size_t>(row)]->cell(7).empty() ? open_row : closed_row) = row;
    ASSERT_GE(open_row, 0);
    ASSERT_GE(closed_row, 0);
    for (const auto& [row, colour] : {std::pair<int, juce::Colour>{open_row, juce::Colour(0xff8b0000)},
                                      std::pair<int, juce::Colour>{closed_row, juce::Colour(0xff00008b)}})
    {
        juce::Image image(juce::Image::ARGB, 300, 22, true);
        juce::Graphics g(image);
        component.paintCell(g, row, 18, 300, 22, false);
        EXPECT_TRUE(pixel_with_colour(image, colour)) << "row " << row;
        EXPECT_EQ(image.getPixelAt(299, 10), juce::Colour(0xffd3d3d3)) << "the grid line at the right edge";
    }
}

TEST_F(SummaryWindow, FilterLanguageOnTheRealTable)
{
    TestApp test(&database);
    auto& component = open(test, 1);
    const std::size_t loaded = component.all_rows.size();

    type_filter(component, "wibble=3");
    EXPECT_EQ(component.getNumRows(), 0);
    EXPECT_EQ(component.filter_box.findColour(juce::TextEditor::backgroundColourId), juce::Colour(0xffffb6c1));
    EXPECT_TRUE(component.bubble.isVisible()) << "the error is shown in the bubble";
    EXPECT_EQ(component.count_label.getText().toStdString(), "Showing 0 of " + std::to_string(loaded)
                                                                  + " log records [0.0%].");

    type_filter(component, "Open Logs");
    EXPECT_EQ(component.filter_box.findColour(juce::TextEditor::backgroundColourId), juce::Colour(0xffffff00));
    EXPECT_EQ(component.table.getHeader().getSortColumnId(), 3);
    EXPECT_FALSE(component.table.getHeader().isSortedForwards());
    ASSERT_GT(component.getNumRows(), 1);
    for (int row = 0; row < component.getNumRows(); ++row)
    {
        const SummaryRow& summary = *component.visible_rows[static_cast<std::size_t>(row)];
        EXPECT_EQ(summary.cell(9), "open");
        EXPECT_EQ(summary.search_count, 0);
        if (row > 0)
        {
            EXPECT_GE(component.visible_rows[static_cast<std::size_t>(row) - 1]->epoch_updated, summary.epoch_updated);
        }
    }

    type_filter(component, "seal  STATUS=closed");
    const auto any = visible_ids(component);
    EXPECT_EQ(component.table.getHeader().getSortColumnId(), 22) << "two or more words sort by Matches";
    component.exact_match.setToggleState(true, juce::sendNotificationSync);
    pump_messages(50);
    EXPECT_TRUE(component.applied_exact);
    const auto all = visible_ids(component);
    EXPECT_LT(all.size(), any.size()) << "exact match keeps fewer rows";
    for (const auto* row : component.visible_rows)
        EXPECT_EQ(row->cell(9), "closed");

    type_filter(component, "");
    EXPECT_EQ(component.count_label.getText().toStdString(), "Showing all " + std::to_string(loaded) + " log records.");
    EXPECT_EQ(component.table.getHeader().getSortColumnId(), 2) << "a blank filter leaves the Matches sort";
}

TEST_F(SummaryWindow, AdministrationNeedsThreeQuartersOfTheDepartments)
{
    EXPECT_FALSE(ShiftLogSummaryComponent::role_may_administer(2, 4));
    EXPECT_TRUE(ShiftLogSummaryComponent::role_may_administer(3, 4));
    EXPECT_FALSE(ShiftLogSummaryComponent::role_may_administer(6, 10));
    EXPECT_TRUE(ShiftLogSummaryComponent::role_may_administer(7, 10));
    EXPECT_TRUE(ShiftLogSummaryComponent::role_may_administer(0, 0));

    {
        TestApp test(&database);
        auto& component = open(test, 2); // Planer Crew: 2 of 4
        EXPECT_FALSE(component.admin_button.isVisible());
        EXPECT_EQ(component.admin_button.getParentComponent(), nullptr);
        EXPECT_NE(read_log().find("disabling access to ADMIN functionality since this role only has access to 2 of 4 "
                                  "departments"),
                  std::string::npos);
    }
    TestApp test(&database);
    auto& component = open(test, 3); // Yard Crew: 3 of 4
    EXPECT_TRUE(component.admin_button.isVisible());
    EXPECT_EQ(component.admin_button.getParentComponent(), &component);
    component.admin_button.triggerClick();
    ASSERT_TRUE(pump_until([&] { return test.app.admin_window != nullptr; }, 3000));
    EXPECT_FALSE(test.app.summary_window->isVisible());
    EXPECT_EQ(test.app.admin_window->getName().toStdString(), Brand::current().title_prefix + "VEK v1.2.1-3304 - Administration Tools");
}

TEST_F(SummaryWindow, AtMostFiveEditorWindows)
{
    TestApp test(&database);
    auto& component = open(test, 1);
    ASSERT_GE(component.getNumRows(), 7);

    for (int row = 0; row < 5; ++row)
        component.open_existing_entry(row);
    EXPECT_EQ(component.open_editors.size(), 5u);
    EditorWnd* first = component.editor_for(component.visible_rows[0]->id);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->getName().toStdString(), Brand::current().title_prefix + "VEK v1.2.1-3304 - Log Entry Editor");

    recorder().reset(); // the sample entries' load warnings
    component.open_existing_entry(5);
    auto boxes = recorder().boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, "Too many open windows!");
    EXPECT_EQ(boxes[0].message, "There are too many open entry editor windows.  Please close one of the other windows "
                                "before opening another log entry.");
    EXPECT_FALSE(boxes[0].modal);

    first->setVisible(false);
    component.open_existing_entry(0);
    EXPECT_TRUE(first->isVisible()) << "an entry already open is brought back instead";
    EXPECT_EQ(component.open_editors.size(), 5u);
    EXPECT_EQ(recorder().boxes().size(), 1u);

    component.add_button.triggerClick();
    pump_messages(50);
    boxes = recorder().boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].message, "There are too many open editor windows.  Please close one of the other windows "
                                "before creating a new log entry.");

    // A closed editor only hides; the timer deletes it.
    first->closeButtonPressed();
    ASSERT_TRUE(pump_until([&] { return component.open_editors.size() == 4; }, 2000));
    EXPECT_EQ(component.editor_for(component.visible_rows[0]->id), nullptr);
    EXPECT_NE(read_log().find("deleting hidden editor window for dbid #" + std::to_string(component.visible_rows[0]->id)),
              std::string::npos);

    component.table.selectRow(3);
    component.clone_button.triggerClick();
    pump_messages(50);
    EXPECT_EQ(component.open_editors.size(), 5u);
    EXPECT_NE(read_log().find("cloning values from existing log entry #" + std::to_string(component.visible_rows[3]->id)),
              std::string::npos);
}

TEST_F(SummaryWindow, SelectionSurvivesAReloadAndCloneNeedsOneRow)
{
    TestApp test(&database);
    auto& component = open(test, 1);
    EXPECT_FALSE(component.clone_button.isEnabled());
    component.table.selectRow(2);
    EXPECT_TRUE(component.clone_button.isEnabled());
    component.table.selectRow(5, false, false);
    EXPECT_FALSE(component.clone_button.isEnabled()) << "two rows selected";

    const std::set<std::uint64_t> selected{component.visible_rows[2]->id, component.visible_rows[5]->id};
    component.load(2);
    std::set<std::uint64_t> after;
    for (int row = 0; row < component.getNumRows(); ++row)
        if (component.table.isRowSelected(row))
            after.insert(component.visible_rows[static_cast<std::size_t>(row)]->id);
    EXPECT_EQ(after, selected);
}

TEST_F(SummaryWindow, ReloadOnALostConnectionShowsTheFailureOnceAndTheWindowGoesOn)
{
    TestApp test(&database);
    auto& component = open(test, 1);
    recorder().reset();
    // The server ends this client's session, as a stopped server would.
    database.execute("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '" + database.name()
                     + "' AND pid <> pg_backend_pid()");

    component.load(2);
    ASSERT_TRUE(pump_until([&] { return component.isEnabled(); }, 10000)) << "the window is usable again";
    const auto boxes = recorder().boxes();
    ASSERT_EQ(boxes.size(), 1u) << "one report of the failure";
    EXPECT_EQ(boxes[0].title, "VEK problem detected!");
    EXPECT_TRUE(recorder().exits().empty()) << "the client goes on";
    const std::string log = read_log();
    EXPECT_NE(log.find("Function name:      Zel::PQDB::exec"), std::string::npos) << "the cause is logged\n" << log;
    EXPECT_EQ(test.app.summary_window->isVisible(), true);
}

TEST_F(SummaryWindow, LayoutFilterAndSwitchComeBackAtTheNextStart)
{
    {
        TestApp test(&database);
        auto& component = open(test, 1);
        component.table.getHeader().setColumnVisible(9, false);
        component.filter_box.setText("  pump   seal ", true);
        component.exact_match.setToggleState(true, juce::sendNotificationSync);
        test.app.summary_window.reset();
        EXPECT_EQ(test.app.cfg->getValue("ShiftLogSummaryFilter"), "pump seal");
        EXPECT_TRUE(test.app.cfg->getBoolValue("ExactMatch", false));
        EXPECT_TRUE(test.app.cfg->getValue("ShiftLogSummaryTableHeaders").contains("TABLELAYOUT"));
        EXPECT_TRUE(test.app.cfg->containsKey("ShiftLogSummaryWnd"));
    }
    TestApp test(&database);
    auto& component = open(test, 1);
    EXPECT_EQ(component.filter_box.getText(), "pump seal");
    EXPECT_TRUE(component.exact_match.getToggleState());
    EXPECT_FALSE(component.table.getHeader().isColumnVisible(9));
    EXPECT_TRUE(pump_until([&] { return ! component.applied_words.empty(); }, 3000)) << "the saved filter is applied";
}

TEST_F(SummaryWindow, KeysAndTheReloadHint)
{
    TestApp test(&database);
    auto& component = open(test, 1);
    ASSERT_LE(component.all_rows.size(), 500u);
    EXPECT_TRUE(pump_until([&] { return component.bubble.isVisible(); }, 3000))
        << "with 500 rows or fewer the reload hint appears";

    auto& window = *test.app.summary_window;
    EXPECT_FALSE(window.keyPressed(juce::KeyPress(juce::KeyPress::F2Key))) << "F2 alone does nothing";
    EXPECT_TRUE(window.keyPressed(juce::KeyPress(juce::KeyPress::F1Key)));
    EXPECT_TRUE(window.keyPressed(juce::KeyPress('f', juce::ModifierKeys::commandModifier, 0)));
    EXPECT_TRUE(component.filter_box.hasKeyboardFocus(false));

    EXPECT_TRUE(window.keyPressed(juce::KeyPress(
        juce::KeyPress::F12Key, juce::ModifierKeys::commandModifier | juce::ModifierKeys::shiftModifier, 0)));
    EXPECT_FALSE(window.isVisible());
    ASSERT_NE(test.app.role_pick_window, nullptr);
    EXPECT_TRUE(test.app.role_pick_window->isVisible());
}
