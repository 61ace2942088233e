#pragma once

#include "GC_Category.h"
#include "GC_CostCenter.h"
#include "GC_Department.h"
#include "GC_DowntimeReason.h"
#include "GC_Employee.h"
#include "GC_Motor.h"
#include "GC_Process.h"
#include "GC_Shift.h"
#include "GC_Status.h"
#include "GroupboxWithEditor.h"
#include "GroupboxWithLabel.h"
#include "LogEntry.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class DB;

// The content of an editor window: one log entry, new, loaded by id or cloned from another, in
// framed fields. After loading it checks that the fields show what was stored.
class EditorComponent : public juce::Component,
                        public juce::Button::Listener,
                        public juce::ComboBox::Listener,
                        public juce::TextEditor::Listener
{
public:
    std::uint64_t dbid = 0;
    std::uint64_t display_number = 0;
    bool is_locked = false;
    // The database session that took the lock.
    unsigned lock_session = 0;

    GroupboxWithLabel log_id{"log id", this};
    GC_Department department{"department", this};
    GroupboxWithLabel start_date{"start date", this};
    GroupboxWithLabel completion_date{"completion date", this};
    GC_CostCenter cost_center{"cost center", this};
    GC_Process system{"system", this};
    GC_Motor equipment{"equipment", this};
    GC_Category category{"category", this};
    GC_Status status{"status", this};
    GC_Employee author{"author", this};
    GC_Shift shift{"shift", this};
    GroupboxWithEditor time{"time", this};
    GC_DowntimeReason downtime{"downtime", this};

    std::int64_t epoch_start = 0;
    // 0 none, 1 "now" (a closing status chosen; the time of saving), else seconds since the epoch.
    std::int64_t epoch_end = 0;
    // As last read from the time field; -1 when its text is no duration.
    double hours = 0.0;

    juce::TextEditor problem{"problem text editor"};
    juce::TextEditor action{"action text editor"};
    juce::TextButton save_button{"save"};
    juce::TextButton cancel_button{"cancel"};
    juce::GlowEffect glow;

    // As loaded (for a clone, the entry it was copied from); a default entry for a new one.
    LogEntry loaded_entry;

    // A blank new entry. With `load_follows`, load_order comes next and lists the cost centers,
    // systems and equipment itself, which a blank editor lists in full: on a big site that is
    // 5,000 pieces of equipment listed only to be replaced.
    explicit EditorComponent(bool load_follows = false);
    ~EditorComponent() override;

    // Fills the fields from the stored entry, once, right after construction; id 0 does nothing.
    // A failure is thrown on; an existing entry that failed to load is left read-only.
    virtual void load_order(std::uint64_t id, bool clone);

    // Writes the entry; true when it was saved.
    virtual bool save_order();

    // The entry as the fields show it.
    LogEntry get_entry_from_screen() const;

    // The lines in which two entries' dumps differ, sorted: those of either that the other lacks.
    static std::vector<std::string> dump_differences(const std::string& dump, const std::string& other_dump);

    // Takes the record lock of an existing entry; returns whether this editor holds it. An entry
    // whose lock is refused, or cannot be asked for, is shown read-only.
    bool lock_database_entry();
    // Releases the lock if this editor holds it. Never throws: a failure is reported, and closing
    // an editor goes on.
    void unlock_database_entry();

    // After a reconnection: takes the lock that the lost session held again. Refused, the editor
    // turns read-only, names the holder and keeps the typed text selectable.
    void take_lock_again();

    // Marks invalid fields and decides whether the save button may be used.
    void validate_fields();

    // Empty, or nothing but spaces, tabs and line breaks.
    static bool is_blank(const std::string& text);

    // Nothing can be edited or saved; the window shows it in its colour. For good: nothing enables
    // a read-only editor again.
    void make_read_only();
    bool is_read_only() const { return read_only; }
    bool was_saved() const { return saved; }

    // Whether closing now would lose something: a change that could be saved, or typed text.
    bool has_unsaved_edits() const;

    // The statement that takes a department's numbering for itself until its transaction ends.
    static const char* const numbering_lock_sql;

    void resized() override;
    void buttonClicked(juce::Button* button) override;

    // CTRL+S saves as the save button does, while it is enabled; CTRL+W closes the window as its
    // close button does. Keys that the focused field leaves alone come here.
    static const juce::KeyPress save_key;
    static const juce::KeyPress close_key;
    bool keyPressed(const juce::KeyPress& key) override;
    void comboBoxChanged(juce::ComboBox* box) override;
    void textEditorTextChanged(juce::TextEditor& editor) override;

    // "%a %b %d, %Y" of a time in local time.
    static std::string local_date_text(std::int64_t epoch);

private:
    // Cost centers, systems and equipment not listed yet (a load was to follow).
    bool lists_pending = true;
    bool read_only = false;
    bool saved = false;
    // The problem, action and time texts as the construction or the load left them.
    std::array<juce::String, 3> loaded_texts;

    std::vector<GroupboxWithCombobox*> combo_fields();
    // The fields whose lists are those of the department chosen.
    std::vector<GroupboxWithCombobox*> department_followers();
    void list_all_equipment();
    void fill_fields(const LogEntry& entry, bool clone);
    void verify(const std::string& loaded_dump);
    void close_window();
    void remember_loaded_texts();
    std::array<juce::String, 3> current_texts() const;
    // The UPDATE or INSERT of save_order, and its description for the history.
    std::string save_sql(DB& db, std::string& description);
    void assign_display_number(DB& db, std::uint64_t department_id);
};
