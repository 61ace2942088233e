#include "ShiftLogSummaryComponent.h"

#include "Cfg.h"
#include "DB.h"
#include "EditorWnd.h"
#include "Interaction.h"
#include "LiveUpdates.h"
#include "Log.h"
#include "LoginRights.h"
#include "ProgressThread.h"
#include "ReportComponent.h"
#include "ShiftLogSummaryWnd.h"
#include "ShownText.h"
#include "SummarySort.h"
#include "VekApp.h"
#include "VekLookAndFeel.h"
#include "ZelString.h"

#include <chrono>
#include <string_view>

namespace
{
struct ColumnLayout
{
    const char* header;
    bool shown;
};

// Column ids are 1 to 22, in this order.
const ColumnLayout columns[] = {
    {"DB ID", false},        {"Log #", true},     {"Last Update", true},
    {"Update", false},       {"Start Date", true}, {"Start", false},
    {"Complete Date", true}, {"Complete", false}, {"Status", true},
    {"Cost Center", true},   {"System", true},    {"Equipment", true},
    {"Equipment Description", true}, {"Department", false}, {"Author", true},
    {"Shift", true},         {"Category", true},  {"Problem", true},
    {"Action", true},        {"Time", true},      {"Downtime Reason", true},
    {"Matches", true}};

const juce::Colour selected_background(0xff90ee90);
const juce::Colour closed_text(0xff00008b);
const juce::Colour open_text(0xff8b0000);
const juce::Colour grid_lines(0xffd3d3d3);
const juce::Colour hatching(0xb2d3d3d3);

const juce::Colour changed_filter(0xffadd8e6);
const juce::Colour preset_filter(0xffffff00);
const juce::Colour failed_filter(0xffffb6c1);

int tick_count = 0;

std::uint64_t parse_id(std::string_view text)
{
    return static_cast<std::uint64_t>(std::stoull(std::string(text)));
}

juce::String to_juce(std::string_view text)
{
    return ShownText::from_bytes(text);
}
void warn_too_many_editors_for_entry()
{
    Interaction::get().show_message_box_async(
        Interaction::Icon::warning, "Too many open windows!",
        "There are too many open entry editor windows.  Please close one of the other windows before opening "
        "another log entry.");
}
} // namespace

std::int64_t ShiftLogSummaryComponent::now_nanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool ShiftLogSummaryComponent::role_may_administer(std::size_t role_departments, std::size_t all_departments)
{
    return ! (role_departments < (3 * all_departments) / 4);
}

ShiftLogSummaryComponent::ShiftLogSummaryComponent()
{
    setName("canvas for shift log summary window");
    VekApplication& app = vek();

    // The table (its header layout comes back from the configuration).
    auto& header = table.getHeader();
    for (int id = 1; id <= column_count; ++id)
    {
        const auto& column = columns[id - 1];
        int flags = juce::TableHeaderComponent::resizable | juce::TableHeaderComponent::draggable
                    | juce::TableHeaderComponent::sortable | juce::TableHeaderComponent::appearsOnColumnMenu;
        if (column.shown)
            flags |= juce::TableHeaderComponent::visible;
        header.addColumn(column.header, id, 100, 30, -1, flags);
    }
    table.setMultipleSelectionEnabled(true);
    table.setColour(juce::ListBox::outlineColourId, juce::Colours::black);
    table.setOutlineThickness(1);
    header.setPopupMenuActive(true);
    if (app.cfg != nullptr && app.cfg->containsKey("ShiftLogSummaryTableHeaders"))
        header.restoreFromString(app.cfg->getValue("ShiftLogSummaryTableHeaders"));
    else
        header.setStretchToFitActive(true);

    bubble.setColour(juce::BubbleComponent::backgroundColourId, juce::Colour(0xffffff00));
    bubble.setColour(juce::BubbleComponent::outlineColourId, juce::Colours::black);
    bubble.setAlwaysOnTop(true);

    // The filter and the switch as they were left.
    if (app.cfg != nullptr)
    {
        if (app.cfg->containsKey("ShiftLogSummaryFilter"))
        {
            filter_box.setText(app.cfg->getValue("ShiftLogSummaryFilter"), false);
            filter_box.selectAll();
        }
        if (app.cfg->containsKey("ExactMatch"))
        {
            applied_exact = app.cfg->getBoolValue("ExactMatch", false);
            exact_match.setToggleState(applied_exact, juce::dontSendNotification);
        }
    }

    add_button.setTooltip("Create a new maintenance log entry. (CTRL+N)");
    clone_button.setTooltip("Clone the currently selected log entry. (CTRL+C)");
    filters_button.setTooltip("Display filters. (CTRL+I)");
    reports_button.setTooltip("Generate standard reports. (CTRL+R)");
    admin_button.setTooltip("Administrator functions.");
    reload_button.setTooltip("Load log entries from the database. (F5)");

    for (juce::Component* child : std::initializer_list<juce::Component*>{
             &count_label, &filter_box, &exact_match, &add_button, &clone_button, &filters_button, &reports_button,
             &reload_button, &table, &bubble})
        addAndMakeVisible(child);
    addChildComponent(connection_notice);

    const std::size_t role_departments = app.departments_for_current_role().size();
    const std::size_t all_departments = app.departments.size();
    admin_allowed = role_may_administer(role_departments, all_departments);
    // The server has its say too: a login without the editors' privileges gets no button.
    if (admin_allowed && ! LoginRights::of_running_application().may_administer())
    {
        LogLine() << "disabling access to ADMIN functionality since this database login may not change the "
                     "reference tables";
        admin_allowed = false;
        admin_button.setEnabled(false);
        admin_button.setVisible(false);
    }
    else if (admin_allowed)
    {
        LogLine() << "enabling access to ADMIN functionality since this role has access to " << role_departments
                  << " of " << all_departments << " departments";
        addAndMakeVisible(admin_button);
    }
    else
    {
        LogLine() << "disabling access to ADMIN functionality since this role only has access to "
                  << role_departments << " of " << all_departments << " departments";
        admin_button.setEnabled(false);
        admin_button.setVisible(false);
    }

    clone_button.setEnabled(false);
    filter_box.addListener(this);
    for (juce::Button* button : std::initializer_list<juce::Button*>{
             &exact_match, &add_button, &clone_button, &filters_button, &reports_button, &admin_button,
             &reload_button})
        button->addListener(this);
    filter_box.setTooltip("Find. (CTRL+F)");
    add_button.addShortcut(juce::KeyPress('n', juce::ModifierKeys::commandModifier, 0));
    clone_button.addShortcut(juce::KeyPress('c', juce::ModifierKeys::commandModifier, 0));
    filters_button.addShortcut(juce::KeyPress('i', juce::ModifierKeys::commandModifier, 0));
    reports_button.addShortcut(juce::KeyPress('r', juce::ModifierKeys::commandModifier, 0));
    reload_button.addShortcut(juce::KeyPress(juce::KeyPress::F5Key));

    table.setModel(this);
    live_updates = std::make_unique<LiveUpdates>(*this);
    schedule_reload();
}

ShiftLogSummaryComponent::~ShiftLogSummaryComponent()
{
    stopTimer();
    reload_timer.stopTimer();
    live_updates.reset();
    auto* app = dynamic_cast<VekApplication*>(juce::JUCEApplicationBase::getInstance());
    if (app != nullptr && app->cfg != nullptr)
    {
        app->cfg->setValue("ShiftLogSummaryTableHeaders", table.getHeader().toString());
        app->cfg->setValue("ShiftLogSummaryFilter",
                           ShownText::from_bytes(Zel::simplifyWhitespace(filter_box.getText().toStdString())));
        app->cfg->setValue("ExactMatch", applied_exact);
    }

    std::set<std::unique_ptr<EditorWnd>> doomed;
    {
        const std::lock_guard<std::recursive_mutex> lock(editors_mutex);
        for (const auto& editor : open_editors)
            LogLine() << "destructor: deleting editor window for dbid #" << editor->dbid;
        doomed.swap(open_editors);
    }
    doomed.clear();
    table.setModel(nullptr);
}

int ShiftLogSummaryComponent::getNumRows()
{
    return static_cast<int>(visible_rows.size());
}

void ShiftLogSummaryComponent::paintRowBackground(juce::Graphics& g, int rowNumber, int width, int height,
                                                  bool rowIsSelected)
{
    if (rowNumber < 0 || rowNumber >= getNumRows())
        return;

    const std::uint64_t id = parse_id(visible_rows[static_cast<std::size_t>(rowNumber)]->cell(1));
    bool open = false;
    {
        const std::lock_guard<std::recursive_mutex> lock(editors_mutex);
        for (const auto& editor : open_editors)
            if (editor->isVisible() && editor->dbid == id)
                open = true;
    }
    if (open)
        LogLine() << "log entry #" << id << " on row #" << rowNumber << " is open, so we'll need to draw it differently";

    g.fillAll(rowIsSelected ? selected_background : juce::Colours::white);

    if (open)
    {
        g.setColour(hatching);
        for (int y = 1; y < height; y += 3)
            g.drawHorizontalLine(y, 0.0f, static_cast<float>(width));
        for (int x = 1; x < width; x += 3)
            g.drawVerticalLine(x, 0.0f, static_cast<float>(height));
    }

    g.setColour(grid_lines);
    g.drawHorizontalLine(height - 1, 0.0f, static_cast<float>(width));
}

void ShiftLogSummaryComponent::paintCell(juce::Graphics& g, int rowNumber, int columnId, int width, int height,
                                         bool)
{
    if (rowNumber < 0 || rowNumber >= getNumRows() || columnId < 1 || columnId > column_count)
        return;

    const SummaryRow& row = *visible_rows[static_cast<std::size_t>(rowNumber)];
    juce::String text;
    if (columnId == 22)
        text = row.search_count != 0 ? juce::String(row.search_count) : juce::String();
    else
        text = to_juce(row.cell(columnId));

    g.setColour(row.cell(7).empty() ? open_text : closed_text);
    if (live_updates != nullptr && live_updates->marked(row.id))
        g.setFont(g.getCurrentFont().boldened());
    g.drawText(text, 2, 2, width - 4, height - 4, juce::Justification::centredLeft, true);

    g.setColour(grid_lines);
    g.drawVerticalLine(width - 1, 0.0f, static_cast<float>(height));
}

void ShiftLogSummaryComponent::cellDoubleClicked(int rowNumber, int, const juce::MouseEvent&)
{
    open_existing_entry(rowNumber);
}

void ShiftLogSummaryComponent::returnKeyPressed(int lastRowSelected)
{
    open_existing_entry(lastRowSelected);
}

int ShiftLogSummaryComponent::getColumnAutoSizeWidth(int)
{
    return 0;
}

void ShiftLogSummaryComponent::selectedRowsChanged(int)
{
    update_clone_button();
}

void ShiftLogSummaryComponent::update_clone_button()
{
    clone_button.setEnabled(table.getNumSelectedRows() == 1);
}

std::string ShiftLogSummaryComponent::column_description(int column_id)
{
    return "#" + std::to_string(column_id) + " (" + table.getHeader().getColumnName(column_id).toStdString() + ")";
}

void ShiftLogSummaryComponent::sortOrderChanged(int newSortColumnId, bool isForwards)
{
    const std::string description = column_description(newSortColumnId);
    LogLine() << "sort order changed: column " << description << ", order is "
              << (isForwards ? "forwards" : "backwards");

    remember_selection();
    detach_model();

    const SortKey key = sort_key_for_column(newSortColumnId);
    if (key == SortKey::text)
        LogLine() << "sorting " << all_rows.size() << " log records based on text strings: column " << description;
    else
        LogLine() << "sorting " << all_rows.size() << " log records based on numerical '" << sort_key_field_name(key)
                  << "' field";
    sort_summary_rows(all_rows, newSortColumnId, isForwards);
    live_merge.sorted_otherwise();
    LogLine() << "done sorting on column " << description;

    apply_filter(true);
}

void ShiftLogSummaryComponent::detach_model()
{
    table.setModel(nullptr);
}

void ShiftLogSummaryComponent::attach_model()
{
    table.setModel(this);
    table.updateContent();
    table.repaint();
    // Detached, the table dropped its selection without telling the model.
    update_clone_button();
}

void ShiftLogSummaryComponent::apply_filter(bool forced)
{
    const std::vector<std::string> words = TextFilter::words_of(filter_box.getText().toStdString());
    const bool exact = exact_match.getToggleState();
    if (words == applied_words && exact == applied_exact && ! visible_rows.empty() && ! forced)
        return;

    remember_selection();
    applied_exact = exact;

    if (words.empty())
    {
        LogLine() << "text filter is blank: showing all rows";
        filter_box.removeColour(juce::TextEditor::backgroundColourId);
        detach_model();
        applied_words.clear();
        visible_rows = TextFilter::apply(all_rows, words, exact, epoch_now()).visible;
        auto& header = table.getHeader();
        if (header.getSortColumnId() == 22)
            header.setSortColumnId(2, false);
        count_label.setText(TextFilter::blank_label(visible_rows.size()), juce::dontSendNotification);
        attach_model();
        reapply_selection();
        return;
    }

    juce::MouseCursor::showWaitCursor();
    LogLine() << "applying new text filter: " << TextFilter::filter_text(filter_box.getText().toStdString());

    TextFilter::Result result = TextFilter::apply(all_rows, words, exact, epoch_now());
    if (result.mode == TextFilter::Mode::terms)
        filter_box.removeColour(juce::TextEditor::backgroundColourId);
    else
        filter_box.setColour(juce::TextEditor::backgroundColourId, preset_filter);

    detach_model();
    visible_rows = std::move(result.visible);
    const std::string label = TextFilter::count_label(visible_rows.size(), all_rows.size());
    count_label.setText(label, juce::dontSendNotification);
    LogLine() << "text filter applied: " << label;

    if (! visible_rows.empty() && ! forced)
    {
        const int sort_column = result.mode == TextFilter::Mode::terms && words.size() >= 2 ? 22 : result.sort_column;
        auto& header = table.getHeader();
        if (header.getSortColumnId() != sort_column || header.isSortedForwards())
            header.setSortColumnId(sort_column, false); // the header sorts again, and so re-runs the filter
        else
            sortOrderChanged(sort_column, false);
    }

    if (visible_rows.empty() && ! result.error.empty())
    {
        filter_box.setColour(juce::TextEditor::backgroundColourId, failed_filter);
        if (words != applied_words)
        {
            bubble.setAllowedPlacement(juce::BubbleComponent::below);
            juce::AttributedString message;
            message.append(ShownText::from_bytes(result.error), juce::Font(15.0f), juce::Colours::black);
            bubble.showAt(&filter_box, message, 5000, true, false);
        }
    }

    applied_words = words;
    attach_model();
    reapply_selection();
    juce::MouseCursor::hideWaitCursor();
}

void ShiftLogSummaryComponent::remember_selection()
{
    if (! model_attached())
        return;

    remembered_ids.clear();
    const juce::SparseSet<int> selected = table.getSelectedRows();
    for (int i = 0; i < selected.size(); ++i)
    {
        const int row = selected[i];
        if (row < 0 || row >= getNumRows())
            continue;
        const SummaryRow& summary = *visible_rows[static_cast<std::size_t>(row)];
        remembered_ids.insert(std::string(summary.cell(1)));
        LogLine() << "-> remembering that this row is selected: " << summary.cell(1) << " -> " << summary.cell(2);
    }
    LogLine() << "number of selected rows to remember: " << remembered_ids.size();
}

void ShiftLogSummaryComponent::reapply_selection()
{
    if (remembered_ids.empty() || ! model_attached())
        return;

    LogLine() << "re-applying row selection; number of selected rows: " << remembered_ids.size();
    for (std::size_t row = 0; row < visible_rows.size(); ++row)
    {
        const SummaryRow& summary = *visible_rows[row];
        if (remembered_ids.count(std::string(summary.cell(1))) == 0)
            continue;
        table.selectRow(static_cast<int>(row), true, false);
        LogLine() << "-> re-selecting this row: " << summary.cell(1) << " -> " << summary.cell(2);
    }
}

void ShiftLogSummaryComponent::resized()
{
    const juce::FlexItem::Margin margin(5.0f);

    juce::FlexBox top_row;
    // The margin goes around the rows, not again around each item: the controls fill their rows.
    top_row.items.add(juce::FlexItem(count_label).withFlex(0.2f).withMinWidth(200.0f).withMaxWidth(300.0f));
    top_row.items.add(juce::FlexItem(filter_box).withFlex(0.8f));
    top_row.items.add(juce::FlexItem(exact_match).withWidth(100.0f));

    juce::FlexBox button_row;
    button_row.justifyContent = juce::FlexBox::JustifyContent::spaceBetween;
    for (juce::Button* button : std::initializer_list<juce::Button*>{&add_button, &clone_button, &filters_button,
                                                                      &reports_button, &admin_button, &reload_button})
        if (button != &admin_button || admin_button.isVisible())
            button_row.items.add(juce::FlexItem(*button).withWidth(100.0f));

    juce::FlexBox column;
    column.flexDirection = juce::FlexBox::Direction::column;
    column.items.add(juce::FlexItem(top_row).withHeight(25.0f).withMinHeight(25.0f).withMaxHeight(25.0f).withMargin(margin));
    column.items.add(juce::FlexItem(button_row).withHeight(25.0f).withMinHeight(25.0f).withMaxHeight(25.0f).withMargin(margin));
    if (connection_notice.isVisible())
        column.items.add(juce::FlexItem(connection_notice).withHeight(25.0f).withMargin(margin));
    column.items.add(juce::FlexItem(table).withFlex(1.0f).withMargin(margin));

    auto area = getLocalBounds().reduced(5);
    column.performLayout(area.withSize(std::max(0, area.getWidth()), std::max(0, area.getHeight())));
}

void ShiftLogSummaryComponent::buttonClicked(juce::Button* button)
{
    LogLine() << "button clicked!";

    VekApplication& app = vek();
    if (button == &reload_button)
        show_reload_menu();
    else if (button == &exact_match)
        apply_filter(false);
    else if (button == &add_button)
        open_new_entry(false);
    else if (button == &clone_button)
        open_new_entry(true);
    else if (button == &admin_button)
    {
        if (app.summary_window != nullptr)
            app.summary_window->setVisible(false);
        app.run(VekApplication::job_admin_window);
    }
    else if (button == &filters_button)
        show_preset_menu();
    else if (button == &reports_button)
        show_report_options();
}

void ShiftLogSummaryComponent::textEditorTextChanged(juce::TextEditor& editor)
{
    if (&editor != &filter_box)
        return;
    last_keystroke_time = now_nanoseconds();
    filter_box.setColour(juce::TextEditor::backgroundColourId, changed_filter);
}

void ShiftLogSummaryComponent::timerCallback()
{
    stopTimer();
    if (now_nanoseconds() - last_keystroke_time > 750LL * 1000 * 1000)
        apply_filter(false);
    delete_hidden_editors();
    startTimer(750);

    if (++tick_count == 2 && all_rows.size() <= 500)
    {
        bubble.setAllowedPlacement(juce::BubbleComponent::left);
        juce::AttributedString message;
        message.append("Only the most recent maintenance logs have been loaded.\n\nClick \"reload\" if you need more "
                       "records.",
                       juce::Font(15.0f), juce::Colours::black);
        bubble.showAt(&reload_button, message, 30000, true, false);
    }
}

void ShiftLogSummaryComponent::delete_hidden_editors()
{
    // Taken out of the set first, destroyed after: a destructor's failed unlock shows a box whose
    // modal loop runs this timer again, which must find the set whole.
    std::vector<std::unique_ptr<EditorWnd>> doomed;
    {
        const std::lock_guard<std::recursive_mutex> lock(editors_mutex);
        for (auto editor = open_editors.begin(); editor != open_editors.end();)
        {
            // Closed windows are hidden. A minimised one is not showing either, but it is still
            // open, with its text and its record lock.
            if ((*editor)->isVisible())
            {
                ++editor;
                continue;
            }
            LogLine() << "deleting hidden editor window for dbid #" << (*editor)->dbid;
            doomed.push_back(std::move(open_editors.extract(editor++).value()));
        }
    }
}

void ShiftLogSummaryComponent::load(int period)
{
    // Once a quit is under way the progress window's loop would never end.
    if (VekApplication::quitting())
        return;
    stopTimer();
    juce::MouseCursor::showWaitCursor();
    setEnabled(false);
    loaded_period = period;

    remember_selection();
    detach_model();
    all_rows.clear();
    visible_rows.clear();
    table.updateContent();

    {
        const std::lock_guard<std::recursive_mutex> lock(editors_mutex);
        for (const auto& editor : open_editors)
            editor->setEnabled(false);
    }
    count_label.setText("Loading log records from database...", juce::dontSendNotification);

    auto thread = std::make_unique<ProgressThread>(period);
    thread->runThread(juce::Thread::Priority::normal);
    all_rows = std::move(thread->rows);
    live_merge.loaded(all_rows, period, thread->window_date, thread->complete);

    timerCallback();
    auto& header = table.getHeader();
    sortOrderChanged(header.getSortColumnId(), header.isSortedForwards());
    live_merge.sorted_from_load({header.getSortColumnId(), header.isSortedForwards()});

    {
        const std::lock_guard<std::recursive_mutex> lock(editors_mutex);
        for (const auto& editor : open_editors)
            editor->setEnabled(true);
    }
    setEnabled(true);
    juce::MouseCursor::hideWaitCursor();
}

void ShiftLogSummaryComponent::schedule_reload()
{
    stopTimer();
    juce::MouseCursor::showWaitCursor();
    setEnabled(false);
    reload_timer.startTimer(20);
}

void ShiftLogSummaryComponent::schedule_merge_after_save(std::uint64_t saved_id)
{
    juce::Component::SafePointer<ShiftLogSummaryComponent> self(this);
    juce::Timer::callAfterDelay(20, [self, saved_id] {
        if (self != nullptr && ! self->merge_changes(1, {saved_id}))
            self->load(1);
    });
}

bool ShiftLogSummaryComponent::merge_changes(int period, const std::vector<std::uint64_t>& entries)
{
    DB* db = VekApplication::database_if_any();
    if (db == nullptr || ! isEnabled() || ! model_attached() || ! live_merge.can_merge(period)
        || VekApplication::quitting())
        return false;

    remember_selection();
    // The scroll position, as the row at the top and how far it is scrolled out.
    juce::Viewport& viewport = *table.getViewport();
    const int row_height = table.getRowHeight();
    const int top_y = viewport.getViewPositionY();
    const int top_row = row_height > 0 ? top_y / row_height : 0;
    const std::uint64_t top_id
        = top_row >= 0 && top_row < getNumRows() ? visible_rows[static_cast<std::size_t>(top_row)]->id : 0;

    LiveMerge::Outcome outcome;
    try
    {
        auto& header = table.getHeader();
        outcome = live_merge.merge(*db, all_rows, period, entries, {header.getSortColumnId(), header.isSortedForwards()});
    }
    catch (...)
    {
        // The statement's own handler has shown it; the rows are as they were.
        Zel::Exception e = Zel::Exception::from_current("ShiftLogSummaryComponent::merge_changes",
                                                        "src-wnd/ShiftLogSummaryComponent", __LINE__);
        log_and_show_exception(&e, "src-wnd/ShiftLogSummaryComponent", __LINE__);
        return true;
    }
    loaded_period = period;
    // The loaded rows have moved: the visible ones point into them.
    rebuild_visible_rows();
    table.deselectAllRows();
    reapply_selection();
    for (std::size_t row = 0; row < visible_rows.size(); ++row)
        if (visible_rows[row]->id == top_id)
        {
            viewport.setViewPosition(viewport.getViewPositionX(),
                                     static_cast<int>(row) * row_height + top_y - top_row * row_height);
            break;
        }
    live_updates->mark(outcome.changed);
    table.repaint();
    return true;
}

void ShiftLogSummaryComponent::rebuild_visible_rows()
{
    const std::int64_t now = epoch_now();
    auto& header = table.getHeader();
    // The merge has sorted them, except by matches: those are counted by the filter.
    if (header.getSortColumnId() == 22)
    {
        TextFilter::apply(all_rows, applied_words, applied_exact, now);
        sort_summary_rows(all_rows, 22, header.isSortedForwards());
        live_merge.sorted_otherwise();
    }
    visible_rows = TextFilter::apply(all_rows, applied_words, applied_exact, now).visible;
    count_label.setText(applied_words.empty() ? TextFilter::blank_label(visible_rows.size())
                                              : TextFilter::count_label(visible_rows.size(), all_rows.size()),
                        juce::dontSendNotification);
    table.updateContent();
}

void ShiftLogSummaryComponent::ReloadTimer::timerCallback()
{
    stopTimer();
    owner.load(1);
}

EditorWnd* ShiftLogSummaryComponent::editor_for(std::uint64_t dbid)
{
    const std::lock_guard<std::recursive_mutex> lock(editors_mutex);
    for (const auto& editor : open_editors)
        if (editor->dbid == dbid)
            return editor.get();
    return nullptr;
}

std::size_t ShiftLogSummaryComponent::open_window_count()
{
    const std::lock_guard<std::recursive_mutex> lock(editors_mutex);
    std::size_t count = 0;
    for (const auto& editor : open_editors)
        if (editor->isVisible())
            ++count;
    return count;
}

std::vector<EditorWnd*> ShiftLogSummaryComponent::editors_with_unsaved_edits()
{
    const std::lock_guard<std::recursive_mutex> lock(editors_mutex);
    std::vector<EditorWnd*> unsaved;
    for (const auto& editor : open_editors)
        if (editor->isVisible() && editor->component.has_unsaved_edits())
            unsaved.push_back(editor.get());
    return unsaved;
}

void ShiftLogSummaryComponent::settle_unsaved_edits(std::function<void()> go_on, std::function<void()> stay)
{
    if (asking_about_edits)
        return;
    const std::size_t count = editors_with_unsaved_edits().size();
    if (count == 0)
    {
        go_on();
        return;
    }

    LogLine() << "asking what to do with the unsaved edits of " << count << " editor windows";
    asking_about_edits = true;
    juce::Component::SafePointer<ShiftLogSummaryComponent> self(this);
    Interaction::get().ask_save_discard_cancel_async(
        Interaction::Icon::warning, "Unsaved changes!",
        count == 1 ? std::string("A maintenance log entry editor holds changes that have not been saved.\n\nSave "
                                 "them before closing the editor?")
                   : std::to_string(count)
                         + " maintenance log entry editors hold changes that have not been saved.\n\nSave them "
                           "before closing the editors?",
        [self, go_on, stay](Interaction::Answer answer) {
            if (self == nullptr)
                return;
            self->asking_about_edits = false;
            if (answer == Interaction::Answer::cancel)
            {
                LogLine() << "unsaved edits: staying";
                if (stay)
                    stay();
                return;
            }
            if (answer == Interaction::Answer::save && ! self->save_unsaved_edits())
            {
                if (stay)
                    stay();
                return;
            }
            LogLine() << (answer == Interaction::Answer::save ? "unsaved edits: saved" : "unsaved edits: discarded");
            go_on();
        });
}

bool ShiftLogSummaryComponent::save_unsaved_edits()
{
    for (EditorWnd* editor : editors_with_unsaved_edits())
    {
        EditorComponent& component = editor->component;
        component.validate_fields();
        const bool nothing_to_save = component.get_entry_from_screen() == component.loaded_entry;
        if (! nothing_to_save && ! (component.save_button.isEnabled() && component.save_order()))
        {
            LogLine() << "unsaved edits: the editor for dbid #" << editor->dbid << " cannot be saved";
            editor->setMinimised(false);
            editor->toFront(true);
            return false;
        }
        editor->closeButtonPressed();
    }
    return true;
}

void ShiftLogSummaryComponent::delete_all_editors()
{
    std::set<std::unique_ptr<EditorWnd>> doomed;
    {
        const std::lock_guard<std::recursive_mutex> lock(editors_mutex);
        for (const auto& editor : open_editors)
            LogLine() << "deleting editor window for dbid #" << editor->dbid;
        doomed.swap(open_editors);
    }
}

void ShiftLogSummaryComponent::connection_restored()
{
    {
        const std::lock_guard<std::recursive_mutex> lock(editors_mutex);
        for (const auto& editor : open_editors)
            editor->component.take_lock_again();
    }
    juce::Component::SafePointer<ShiftLogSummaryComponent> self(this);
    juce::Timer::callAfterDelay(20, [self] {
        if (self != nullptr)
            self->load(self->loaded_period);
    });
}

void ShiftLogSummaryComponent::open_existing_entry(int row_number)
{
    if (row_number < 0 || row_number >= getNumRows())
        return;
    const std::uint64_t id = parse_id(visible_rows[static_cast<std::size_t>(row_number)]->cell(1));

    const std::lock_guard<std::recursive_mutex> lock(editors_mutex);
    if (EditorWnd* editor = editor_for(id))
    {
        // A closed editor waiting to be deleted comes back like a new one: within the limit.
        const bool closed = ! editor->isVisible();
        if (closed && ! editor->component.was_saved() && open_window_count() >= max_open_editors)
        {
            warn_too_many_editors_for_entry();
            return;
        }
        if (! closed || ! editor->component.was_saved())
        {
            LogLine() << "found an existing editor already open for log #" << id;
            editor->setVisible(true);
            editor->toFront(true);
            return;
        }
        // A saved window waiting to be deleted holds what was stored then, and no longer takes
        // input: the entry opens afresh, as it is stored now.
        LogLine() << "deleting saved editor window for dbid #" << id;
        for (auto it = open_editors.begin(); it != open_editors.end(); ++it)
            if (it->get() == editor)
            {
                const auto doomed = std::move(open_editors.extract(it).value());
                break;
            }
    }

    LogLine() << "opening log #" << id << " for editing";
    if (open_window_count() < max_open_editors)
    {
        open_editors.insert(std::make_unique<EditorWnd>(id));
        table.repaintRow(row_number);
    }
    else
    {
        warn_too_many_editors_for_entry();
    }
}

void ShiftLogSummaryComponent::open_new_entry(bool clone)
{
    LogLine() << "opening a new log editor";

    const std::lock_guard<std::recursive_mutex> lock(editors_mutex);
    if (open_window_count() >= max_open_editors)
    {
        Interaction::get().show_message_box_async(
            Interaction::Icon::warning, "Too many open windows!",
            "There are too many open editor windows.  Please close one of the other windows before creating a new "
            "log entry.");
        return;
    }

    std::uint64_t source = 0;
    const bool cloning = clone && table.getNumSelectedRows() == 1;
    if (clone && ! cloning)
    {
        // Behind the disabled button: a clone of nothing is no empty entry.
        LogLine() << "nothing to clone: " << table.getNumSelectedRows() << " rows selected";
        return;
    }
    if (cloning)
    {
        const int row = table.getSelectedRow(0);
        if (row >= 0 && row < getNumRows())
            source = parse_id(visible_rows[static_cast<std::size_t>(row)]->cell(1));
        LogLine() << "cloning values from existing log entry #" << source;
    }
    open_editors.insert(std::make_unique<EditorWnd>(cloning, source));
}

void ShiftLogSummaryComponent::show_update_bubble(const std::string& text)
{
    bubble.setAllowedPlacement(juce::BubbleComponent::left);
    juce::AttributedString message;
    message.append(ShownText::from_bytes(text), juce::Font(15.0f), juce::Colours::black);
    // For screen readers, which cannot read the painted text.
    bubble.setTitle(message.getText());
    bubble.showAt(&reload_button, message, 0, true, false);
}

void ShiftLogSummaryComponent::focus_filter_box()
{
    filter_box.setWantsKeyboardFocus(true);
    filter_box.grabKeyboardFocus();
    filter_box.moveCaretToEnd();
    filter_box.scrollEditorToPositionCaret(0, 0);
    filter_box.selectAll();
}

void ShiftLogSummaryComponent::show_preset_menu()
{
    const std::string current = filter_box.getText().toLowerCase().toStdString();
    juce::PopupMenu menu;
    menu.addItem("Clear", ! filter_box.isEmpty(), false, [this] { filter_box.setText({}, true); });
    menu.addSeparator();
    for (const auto& preset : TextFilter::presets(epoch_now()))
    {
        if (preset.item.empty())
        {
            menu.addSeparator();
            continue;
        }
        const juce::String text = ShownText::from_bytes(preset.filter_text);
        menu.addItem(preset.item, true, current == text.toLowerCase().toStdString(),
                     [this, text] { filter_box.setText(text, true); });
    }
    menu.showMenuAsync(juce::PopupMenu::Options().withTargetComponent(&filters_button));
}

void ShiftLogSummaryComponent::show_report_options()
{
    auto& box = juce::CallOutBox::launchAsynchronously(std::make_unique<ReportComponent>(*this),
                                                       reports_button.getBounds(), this);
    if (VekApplication& app = vek(); app.look_and_feel != nullptr)
        box.setLookAndFeel(app.look_and_feel.get());
}

void ShiftLogSummaryComponent::show_reload_menu()
{
    juce::PopupMenu menu;
    menu.addItem(1, "Load 7 days of maintenance logs");
    menu.addItem(2, "Load 1 month of maintenance logs");
    menu.addItem(3, "Load 6 months of maintenance logs");
    menu.addItem(4, "Load 12 months of maintenance logs");
    menu.addSeparator();
    menu.addItem(5, "Load all maintenance logs");

    juce::Component::SafePointer<ShiftLogSummaryComponent> self(this);
    menu.showMenuAsync(juce::PopupMenu::Options().withTargetComponent(&reload_button), [self](int result) {
        if (self != nullptr && result >= 1 && result <= 5)
            self->load(result);
    });
}
