#pragma once

#include "ConnectionNotice.h"
#include "LiveMerge.h"
#include "SummaryRow.h"
#include "TextFilter.h"

#include <juce_gui_basics/juce_gui_basics.h>
#include <juce_gui_extra/juce_gui_extra.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class EditorWnd;
class LiveUpdates;

// The main window's content: the filter box and its switch, the command buttons and the table
// of loaded log entries, which it also models. It owns the open editor windows (at most five).
class ShiftLogSummaryComponent : public juce::Component,
                                 public juce::TableListBoxModel,
                                 public juce::Button::Listener,
                                 public juce::TextEditor::Listener,
                                 public juce::Timer
{
public:
    static constexpr int column_count = 22;
    static constexpr std::size_t max_open_editors = 5;

    std::set<std::string> remembered_ids;
    std::vector<std::string> applied_words;
    std::int64_t last_keystroke_time = 0;
    bool applied_exact = false;

    juce::Label count_label;
    juce::TextEditor filter_box;
    juce::ToggleButton exact_match{"exact match"};
    juce::TextButton add_button{"add"};
    juce::TextButton clone_button{"clone"};
    juce::TextButton filters_button{"filters"};
    juce::TextButton reports_button{"reports"};
    juce::TextButton admin_button{"admin"};
    juce::TextButton reload_button{"reload"};
    juce::TableListBox table{"summary table", nullptr};
    juce::BubbleMessageComponent bubble{150};
    ConnectionNotice connection_notice;
    // The time window of the last load, which a reconnection loads again.
    int loaded_period = 1;

    std::vector<SummaryRow> all_rows;
    std::vector<SummaryRow*> visible_rows;

    std::recursive_mutex editors_mutex;
    std::set<std::unique_ptr<EditorWnd>> open_editors;

    ShiftLogSummaryComponent();
    ~ShiftLogSummaryComponent() override;

    // Table model.
    int getNumRows() override;
    void paintRowBackground(juce::Graphics& g, int rowNumber, int width, int height, bool rowIsSelected) override;
    void paintCell(juce::Graphics& g, int rowNumber, int columnId, int width, int height, bool rowIsSelected) override;
    void cellDoubleClicked(int rowNumber, int columnId, const juce::MouseEvent& event) override;
    void sortOrderChanged(int newSortColumnId, bool isForwards) override;
    int getColumnAutoSizeWidth(int columnId) override;
    void selectedRowsChanged(int lastRowSelected) override;
    void returnKeyPressed(int lastRowSelected) override;

    void resized() override;
    void buttonClicked(juce::Button* button) override;
    void textEditorTextChanged(juce::TextEditor& editor) override;
    void timerCallback() override;

    // Loads the role's entries of a time window (1 = 7 days ... 5 = all) behind the progress window.
    void load(int period);

    // A reload of the last 7 days, 20 ms from now.
    void schedule_reload();
    // After an editor has saved: the 7 days' rows, 20 ms from now, merged into the loaded ones
    // when they hold that window whole, else read again.
    void schedule_merge_after_save(std::uint64_t saved_id);
    // Merges the window's changes and the listed entries into the loaded rows and rebuilds the
    // visible ones with the filter and the sort in force, keeping the selection, the scroll
    // position and the editors; changed rows are marked. False when the rows do not hold a
    // whole window to merge into, or the table is busy.
    bool merge_changes(int period, const std::vector<std::uint64_t>& entries);

    // Builds the visible rows from the loaded ones; `forced` runs it even when nothing changed.
    void apply_filter(bool forced);

    void remember_selection();
    void reapply_selection();

    // Opens the entry of a visible row in an editor window, or brings its open editor forward.
    void open_existing_entry(int row_number);
    void open_new_entry(bool clone);

    // The editor window open for an entry, or null.
    EditorWnd* editor_for(std::uint64_t dbid);

    // Editor windows on screen, minimised or not; closed ones waiting to be deleted do not count.
    std::size_t open_window_count();

    // Before the editors go (a quit, a change of role): when an editor holds edits that would be
    // lost, asks whether to save them, discard them or stay. Then runs `go_on` once they are saved
    // or discarded, or `stay` when the user cancels or an edit cannot be saved.
    void settle_unsaved_edits(std::function<void()> go_on, std::function<void()> stay);

    // Deletes every editor window now, releasing their record locks.
    void delete_all_editors();

    // A new database session is in place: every editor takes its lock again before any may save,
    // then the current time window loads again.
    void connection_restored();

    void show_update_bubble(const std::string& text);
    void focus_filter_box();
    void show_preset_menu();
    void show_reload_menu();
    // The report options in a call-out box at the reports button.
    void show_report_options();

    bool admin_access() const { return admin_allowed; }
    bool model_attached() const { return table.getModel() != nullptr; }

    static std::int64_t now_nanoseconds();

    // Whether a role seeing `role_departments` of `all_departments` may administer.
    static bool role_may_administer(std::size_t role_departments, std::size_t all_departments);

private:
    // The scheduled reload's delay; a member, so that it goes with the component.
    class ReloadTimer : public juce::Timer
    {
    public:
        explicit ReloadTimer(ShiftLogSummaryComponent& owner) : owner(owner) {}
        void timerCallback() override;

    private:
        ShiftLogSummaryComponent& owner;
    };

    LiveMerge live_merge;
    std::unique_ptr<LiveUpdates> live_updates;

    bool admin_allowed = false;
    bool asking_about_edits = false;
    ReloadTimer reload_timer{*this};

    void detach_model();
    void attach_model();
    // Clone needs exactly one selected row.
    void update_clone_button();
    // The visible rows again from the merged ones, with the words and the sort in force.
    void rebuild_visible_rows();
    void delete_hidden_editors();
    // The editors on screen whose edits would be lost.
    std::vector<EditorWnd*> editors_with_unsaved_edits();
    // Saves them; false when one of them could not be saved, which is then brought to the front.
    bool save_unsaved_edits();
    std::string column_description(int column_id);
};
