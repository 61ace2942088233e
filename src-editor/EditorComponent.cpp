#include "EditorComponent.h"

#include "DB.h"
#include "EditorWnd.h"
#include "History.h"
#include "Hours.h"
#include "Interaction.h"
#include "LoadWnd.h"
#include "Log.h"
#include "ShiftLogSummaryWnd.h"
#include "ShownText.h"
#include "VekApp.h"
#include "ZelException.h"
#include "ZelString.h"

#include <algorithm>
#include <iterator>
#include <locale>
#include <sstream>

namespace
{
void set_up_text_editor(juce::TextEditor& editor, const char* tooltip, const char* placeholder)
{
    editor.setTooltip(tooltip);
    editor.setMultiLine(true, true);
    editor.setLineSpacing(1.0f);
    editor.setCaretVisible(true);
    editor.setScrollbarsShown(true);
    editor.setScrollToShowCursor(true);
    editor.setWantsKeyboardFocus(true);
    editor.setTabKeyUsedAsCharacter(false);
    editor.setReturnKeyStartsNewLine(true);
    editor.setEscapeAndReturnKeysConsumed(true);
    editor.setTextToShowWhenEmpty(placeholder, juce::Colour(211, 211, 211));
}

juce::String from_utf8(const std::string& text)
{
    return ShownText::from_bytes(text);
}

// A text editor keeps a stored line break "\r\n" as "\n", and shows a stored byte that is not UTF-8
// as its letter. A text that reads as the loaded one so shown is the loaded text, unchanged;
// anything else is what the editor holds.
std::string shown_text(const juce::TextEditor& editor, const std::string& loaded)
{
    std::string shown = editor.getText().toStdString();
    if (shown != loaded && shown == from_utf8(loaded).replace("\r\n", "\n").toStdString())
        return loaded;
    return shown;
}

// Invalid problem and action texts: the glow's colour as background.
const juce::Colour invalid_text(juce::uint8(255), juce::uint8(136), juce::uint8(136), juce::uint8(85));

// As a standard output stream writes it: at most six significant digits, no trailing zeros.
std::string hours_for_sql(double hours)
{
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << hours;
    return text.str();
}

DB& database_or_throw(const char* function_name, int line)
{
    DB* database = VekApplication::database_if_any();
    if (database == nullptr)
        throw Zel::Exception(function_name, "src-editor/EditorComponent", line, "there is no database connection");
    return *database;
}

// Reports the exception being handled, unless it has been reported already.
void report_current(const char* function_name, int line)
{
    log_and_show_current_exception(function_name, "src-editor/EditorComponent", line);
}

// A record of the store, or an empty one, without a report: the entry's dump has reported every
// record it names that the store lacks, once.
template <typename Record>
Record known(const std::map<std::uint64_t, Record>& records, std::uint64_t id)
{
    const auto found = records.find(id);
    return found != records.end() ? found->second : Record();
}

// Shows a stored record: selected by its id when the field lists it, otherwise its name (looked up
// only then) without a selection. By id, because two records may share a name (two Jane Does).
template <typename Name>
void show_stored(GroupboxWithCombobox& field, std::uint64_t dbid, const Name& name)
{
    const int id = GroupboxWithCombobox::item_id(dbid);
    const auto& items = field.items();
    if (id != 0 && std::any_of(items.begin(), items.end(), [id](const auto& item) { return item.id == id; }))
        field.select_dbid(dbid);
    else
        field.show_text(dbid != 0 ? name() : std::string());
}

ShiftLogSummaryComponent* summary_component()
{
    auto* app = dynamic_cast<VekApplication*>(juce::JUCEApplicationBase::getInstance());
    return app != nullptr && app->summary_window != nullptr ? &app->summary_window->component : nullptr;
}
} // namespace

EditorComponent::EditorComponent(bool load_follows)
{
    setName("log editor component");
    for (juce::Component* child : std::initializer_list<juce::Component*>{
             &log_id, &cost_center, &system, &equipment, &department, &author, &shift, &category, &status, &start_date,
             &completion_date, &time, &downtime, &problem, &action, &save_button, &cancel_button})
        addAndMakeVisible(child);

    set_up_text_editor(problem, "Problem.", "Describe the problem.");
    set_up_text_editor(action, "Action.", "Describe the solution.");
    save_button.setTooltip("Save this log entry and close the window. (CTRL+S)");
    cancel_button.setTooltip("Close this log entry without saving.");
    glow.setGlowProperties(3.0f, juce::Colour(juce::uint8(255), juce::uint8(136), juce::uint8(136), juce::uint8(85)));

    start_date.label.setTooltip(from_utf8(local_date_text(epoch_now())));
    start_date.label.setText("today", juce::dontSendNotification);

    for (juce::TextEditor* editor : {&problem, &action, &time.editor})
        editor->addListener(this);
    save_button.addListener(this);
    cancel_button.addListener(this);
    for (GroupboxWithCombobox* field : combo_fields())
        field->combobox.addListener(this);
    for (GroupboxWithCombobox* follower : department_followers())
        department.combobox.addListener(follower);

    time.editor.setInputRestrictions(10, ".:0123456789HhMm");
    department.populate_for_role();
    if (! load_follows)
        list_all_equipment();
    for (GroupboxWithCombobox* field : std::initializer_list<GroupboxWithCombobox*>{&author, &downtime})
        field->select_single_item();
    validate_fields();
    remember_loaded_texts();
}

void EditorComponent::list_all_equipment()
{
    lists_pending = false;
    cost_center.populate_all();
    system.populate_all();
    equipment.populate_all();
    for (GroupboxWithCombobox* field : std::initializer_list<GroupboxWithCombobox*>{&cost_center, &system, &equipment})
        field->select_single_item();
}

EditorComponent::~EditorComponent()
{
    LogLine() << "destructing editor component (including unlocking the database record if necessary)";
    unlock_database_entry();
    for (GroupboxWithCombobox* follower : department_followers())
        department.combobox.removeListener(follower);
}

std::vector<GroupboxWithCombobox*> EditorComponent::combo_fields()
{
    return {&cost_center, &system, &equipment, &department, &author, &shift, &category, &status, &downtime};
}

std::vector<GroupboxWithCombobox*> EditorComponent::department_followers()
{
    return {&author, &category, &downtime};
}

std::string EditorComponent::local_date_text(std::int64_t epoch)
{
    return juce::Time(epoch * 1000).formatted("%a %b %d, %Y").toStdString();
}

void EditorComponent::load_order(std::uint64_t id, bool clone)
{
    if (id == 0)
    {
        if (lists_pending)
            list_all_equipment();
        return;
    }
    if (! clone)
    {
        dbid = id;
        lock_database_entry();
    }

    try
    {
        DB& database = database_or_throw("EditorComponent::load_order", __LINE__);
        const pqxx::result result = database.exec1("SELECT * FROM vek.all_logs WHERE id=" + std::to_string(id));
        loaded_entry = LogEntry(result[0]);
        const std::string dump = loaded_entry.to_string();
        LogLine() << "loaded log entry from database: " << dump;
        fill_fields(loaded_entry, clone);
        if (! clone)
            verify(dump);
        remember_loaded_texts();
    }
    catch (...)
    {
        // Blank or half-filled fields must never be saved over the stored entry; a clone that
        // failed is a new entry, with every piece of equipment to choose from.
        if (! clone)
            make_read_only();
        if (lists_pending)
            list_all_equipment();
        remember_loaded_texts();
        throw;
    }
}

void EditorComponent::fill_fields(const LogEntry& entry, bool clone)
{
    const VekApplication& app = vek();
    if (clone)
    {
        dbid = 0;
    }
    else
    {
        epoch_start = entry.epoch_start;
        epoch_end = entry.epoch_end;
        hours = entry.hours;
    }

    department.select_dbid(entry.departments_id);
    department.combobox.setEnabled(false);

    const Motor motor = known(app.motors, entry.motor_id);
    const Process process = known(app.processes, motor.process_id);
    const CostCenter motor_cost_center = known(app.cost_centers, process.cost_center_id);
    lists_pending = false;
    cost_center.populate_all();
    if (motor_cost_center.id != 0)
        system.populate_for_cost_center(motor_cost_center.id);
    else
        system.populate_all();
    if (process.id != 0)
        equipment.populate_for_process(process.id);
    else
        equipment.populate_all();
    cost_center.select_dbid(motor_cost_center.id);
    system.select_dbid(process.id);
    equipment.select_dbid(motor.id);

    author.populate_for_department(entry.departments_id);
    category.populate_for_department(entry.departments_id);
    downtime.populate_for_department(entry.departments_id);
    show_stored(downtime, entry.downtime_reasons_id,
                         [&] { return known(app.downtime_reasons, entry.downtime_reasons_id).name; });
    show_stored(category, entry.categories_id, [&] { return known(app.categories, entry.categories_id).name; });

    problem.setText(from_utf8(entry.problem), true);
    action.setText(from_utf8(entry.action), true);

    if (clone)
        return;

    display_number = entry.display_number;
    const std::string log_number = format_log_number(known(app.departments, entry.departments_id).acronym,
                                                     entry.display_number, display_number_width);
    log_id.label.setText(from_utf8(log_number), juce::dontSendNotification);
    log_id.label.setTooltip(from_utf8(log_number + " maps to database log id #" + std::to_string(entry.id) + "."));

    show_stored(status, entry.status_id, [&] { return known(app.statuses, entry.status_id).name; });
    show_stored(author, entry.authors_id, [&] { return known(app.employees, entry.authors_id).full_name1; });
    show_stored(shift, entry.shifts_id, [&] { return known(app.shifts, entry.shifts_id).name; });

    // Shown without reading it back: a stored 0.333333 must not become the 20 minutes it shows.
    time.editor.setText(entry.hours < 0 ? juce::String() : from_utf8(hours_text(entry.hours)), false);

    for (const auto& [label, epoch] : {std::pair<juce::Label*, std::int64_t>{&start_date.label, entry.epoch_start},
                                       std::pair<juce::Label*, std::int64_t>{&completion_date.label, entry.epoch_end}})
    {
        if (epoch <= 0)
        {
            label->setText({}, juce::dontSendNotification);
            label->setTooltip({});
            continue;
        }
        label->setText(from_utf8(local_date_text(epoch)), juce::dontSendNotification);
        label->setTooltip(from_utf8(Zel::approximateAge(epoch)));
    }
}

std::vector<std::string> EditorComponent::dump_differences(const std::string& dump, const std::string& other_dump)
{
    std::vector<std::string> lines = Zel::splitLines(dump);
    std::vector<std::string> other_lines = Zel::splitLines(other_dump);
    std::sort(lines.begin(), lines.end());
    std::sort(other_lines.begin(), other_lines.end());
    std::vector<std::string> differences;
    std::set_symmetric_difference(lines.begin(), lines.end(), other_lines.begin(), other_lines.end(),
                                  std::back_inserter(differences));
    return differences;
}

void EditorComponent::verify(const std::string& loaded_dump)
{
    const LogEntry shown = get_entry_from_screen();
    if (shown == loaded_entry)
        return;

    LogLine() << "ERROR: the log entry failed to load correctly!";
    const std::string shown_dump = shown.to_string();
    LogLine() << "the log entry displayed on screen: " << shown_dump;
    const std::vector<std::string> differences = dump_differences(loaded_dump, shown_dump);
    if (! differences.empty())
    {
        LogLine() << "number of text differences found: " << differences.size();
        for (std::size_t i = 0; i < differences.size(); ++i)
            LogLine() << "-> difference #" << i + 1 << ": " << differences[i];
    }

    Interaction::get().show_message_box_async(
        Interaction::Icon::warning, "VEK failed to load the order!",
        "The maintenance log entry #" + std::to_string(loaded_entry.id)
            + " failed to load completely. If the error was caused by an invalid field, then re-saving the order "
              "should fix the problem.\r\n\r\nThe file "
            + log_path()
            + " may have some additional details on which part of the log entry failed to load.\r\n\r\nIf this "
              "problem continues to happen, please consult the log file or contact "
            + Zel::supportContact() + " for assistance.");
}

LogEntry EditorComponent::get_entry_from_screen() const
{
    LogEntry entry;
    entry.id = dbid;
    entry.display_number = display_number;
    entry.motor_id = equipment.get_dbid();
    entry.departments_id = department.get_dbid();
    entry.shifts_id = shift.get_dbid();
    entry.categories_id = category.get_dbid();
    entry.authors_id = author.get_dbid();
    entry.status_id = status.get_dbid();
    entry.downtime_reasons_id = downtime.get_dbid();
    entry.problem = shown_text(problem, loaded_entry.problem);
    entry.action = shown_text(action, loaded_entry.action);
    entry.epoch_start = epoch_start;
    entry.epoch_end = epoch_end;
    entry.hours = hours;
    return entry;
}

const char* const EditorComponent::numbering_lock_sql = "LOCK TABLE vek.logs IN SHARE ROW EXCLUSIVE MODE";

bool EditorComponent::lock_database_entry()
{
    if (dbid == 0 || is_locked)
        return is_locked;
    const std::string n = std::to_string(dbid);
    try
    {
        DB& db = database_or_throw("EditorComponent::lock_database_entry", __LINE__);
        if (db.exec1("SELECT pg_try_advisory_lock(id) FROM vek.logs WHERE id=" + n)[0][0].as<bool>())
        {
            is_locked = true;
            lock_session = db.session_number();
            db.exec_nt("UPDATE vek.logs SET lock_name='" + db.esc(user_identity())
                           + "', lock_ip_address=INET_CLIENT_ADDR(), lock_timestamp=NOW() WHERE id=" + n,
                       "");
            return is_locked;
        }

        make_read_only();
        const pqxx::result holder = db.exec_nt("SELECT epoch_lock, lock_name FROM vek.all_logs WHERE id=" + n, "");
        std::int64_t epoch_lock = 0;
        std::string lock_name;
        if (! holder.empty())
        {
            epoch_lock = holder[0][0].is_null() ? 0 : holder[0][0].as<std::int64_t>();
            lock_name = holder[0][1].is_null() ? std::string() : holder[0][1].as<std::string>();
        }
        std::string message = "This maintenance log entry is already locked by ";
        if (lock_name.empty())
        {
            message += "another user.";
        }
        else
        {
            message += lock_name + ".";
            if (epoch_lock != 0)
                message += " This lock was obtained " + Zel::approximateAge(epoch_lock) + ".";
        }
        message += "\n\nYou can view the maintenance log, but you cannot edit or save it due to the previous user's "
                   "lock.";
        LogLine() << message;
        Interaction::get().show_message_box_async(Interaction::Icon::info,
                                                  "Maintenance Log Entry #" + n + " Is Locked!", message);
    }
    catch (...)
    {
        // Without the lock another client may be editing the entry: the last save would silently
        // win. So an entry whose lock could not be asked for is only shown.
        if (! is_locked)
            make_read_only();
        report_current("EditorComponent::lock_database_entry", __LINE__);
    }
    return is_locked;
}

void EditorComponent::unlock_database_entry()
{
    if (dbid == 0 || ! is_locked)
        return;
    is_locked = false;
    DB* db = VekApplication::database_if_any();
    if (db == nullptr || db->lost_since() != 0 || db->session_number() != lock_session)
        return; // the server released the lock with the session
    const std::string n = std::to_string(dbid);
    // Columns first: a client that takes the lock the moment it is free keeps the columns it writes.
    // Each statement reports its own failure; the advisory lock is still released after a failed
    // update, unless the connection, and the lock with it, is gone.
    try
    {
        db->exec_quiet_on_loss(
            "UPDATE vek.logs SET lock_name=NULL, lock_timestamp=NULL, lock_ip_address=NULL WHERE id=" + n, "");
    }
    catch (...)
    {
        report_current("EditorComponent::unlock_database_entry", __LINE__);
    }
    if (! db->is_open())
        return;
    try
    {
        db->exec_quiet_on_loss("SELECT pg_advisory_unlock(id) FROM vek.logs WHERE id=" + n, "");
    }
    catch (...)
    {
        report_current("EditorComponent::unlock_database_entry", __LINE__);
    }
}

bool EditorComponent::is_blank(const std::string& text)
{
    return text.find_first_not_of(" \r\n\t") == std::string::npos;
}

void EditorComponent::validate_fields()
{
    int count = 0;
    for (GroupboxWithCombobox* field : combo_fields())
    {
        if (! field->is_valid())
        {
            ++count;
            field->setComponentEffect(&glow);
        }
        else
        {
            field->setComponentEffect(nullptr);
        }
    }

    const bool open = status.combobox.getText() == "open";
    if (hours < 0)
    {
        ++count;
        time.setComponentEffect(&glow);
        LogLine() << "cannot save log: hours \"" << hours_for_sql(hours) << "\" are invalid";
    }
    else if (! open && hours <= 0)
    {
        ++count;
        time.setComponentEffect(&glow);
        LogLine() << "cannot save log: hours \"" << hours_for_sql(hours) << "\" are invalid for a closed log";
    }
    else
    {
        time.setComponentEffect(nullptr);
    }

    const auto mark = [](juce::TextEditor& editor, bool invalid) {
        if (invalid)
            editor.setColour(juce::TextEditor::backgroundColourId, invalid_text);
        else
            editor.removeColour(juce::TextEditor::backgroundColourId);
        editor.repaint();
    };
    const bool blank_problem = is_blank(problem.getText().toStdString());
    mark(problem, blank_problem);
    if (blank_problem)
    {
        ++count;
        LogLine() << "cannot save log: problem field cannot be empty";
    }
    const bool blank_action = ! open && is_blank(action.getText().toStdString());
    mark(action, blank_action);
    if (blank_action)
    {
        ++count;
        LogLine() << "cannot save log: action field on a closed log cannot be empty";
    }

    if (count > 0)
    {
        save_button.setEnabled(false);
        save_button.setTooltip("Cannot save log entry until all invalid fields have been fixed.");
        LogLine() << "cannot save log: total of " << count << " invalid fields";
    }
    else if (get_entry_from_screen() == loaded_entry)
    {
        save_button.setEnabled(false);
        save_button.setTooltip("No changes have been made to this maintenance log entry.");
    }
    else
    {
        save_button.setEnabled(true);
        save_button.setTooltip("Save this log entry and close the window. (CTRL+S)");
    }
}

std::string EditorComponent::save_sql(DB& db, std::string& description)
{
    std::string completion = "NULL";
    if (epoch_end == 1)
        completion = "NOW()";
    else if (epoch_end > 946684800)
        completion = "TO_TIMESTAMP(" + std::to_string(epoch_end) + ")";
    if (hours < 0)
        hours = 0;
    const std::string p = db.esc(shown_text(problem, loaded_entry.problem));
    const std::string a = db.esc(shown_text(action, loaded_entry.action));
    const std::string m = std::to_string(equipment.get_dbid());
    const std::string d = std::to_string(department.get_dbid());
    const std::string s = std::to_string(shift.get_dbid());
    const std::string c = std::to_string(category.get_dbid());
    const std::string au = std::to_string(author.get_dbid());
    const std::uint64_t status_id = status.get_dbid();
    const std::string st = std::to_string(status_id);
    const std::string r = std::to_string(downtime.get_dbid());
    const std::string h = hours_for_sql(hours);

    if (dbid != 0)
    {
        description = "save existing maintenance log";
        if (status_id != loaded_entry.status_id)
            description += "; set status to '" + vek().status_at(status_id).name + "'";
        return "UPDATE vek.logs SET motor_id=" + m + ", departments_id=" + d + ", shifts_id=" + s
               + ", categories_id=" + c + ", problem='" + p + "', action='" + a + "', authors_id=" + au
               + ", status_id=" + st + ", last_updated=NOW(), timestamp_end=" + completion + ", hours=" + h
               + ", downtime_reasons_id=" + r + " WHERE id=" + std::to_string(dbid)
               + " RETURNING id, display_number, departments_id";
    }
    description = "create new maintenance log";
    return "INSERT INTO vek.logs (motor_id, departments_id, shifts_id, categories_id, problem, action, authors_id, "
           "status_id, last_updated, timestamp_end, hours, downtime_reasons_id ) VALUES ("
           + m + ", " + d + ", " + s + ", " + c + ", '" + p + "', '" + a + "', " + au + ", " + st + ", NOW(), "
           + completion + ", " + h + ", " + r + " ) RETURNING id, display_number, departments_id";
}

bool EditorComponent::save_order()
{
    if (read_only)
    {
        // Behind the disabled button: an editor without the lock never writes.
        LogLine() << "cannot save log entry #" << dbid << ": the editor is read-only";
        return false;
    }
    try
    {
        DB& db = database_or_throw("EditorComponent::save_order", __LINE__);
        if (is_locked && db.session_number() != lock_session)
            throw Zel::Exception("EditorComponent::save_order", "src-editor/EditorComponent", __LINE__,
                                 "The connection to the database was lost, and this entry's lock has not been taken "
                                 "again yet. Nothing has been changed; please save once the client has reconnected.");
        std::string description;
        const std::string sql = save_sql(db, description);
        LogLine() << "saving log entry #" << dbid << ": " << description;
        const pqxx::result result = db.exec1(sql);
        const pqxx::row row = result[0];
        dbid = row["id"].as<std::uint64_t>();
        add_history_event(HistoryEvent::save, dbid, description);
        display_number = row["display_number"].is_null() ? 0 : row["display_number"].as<std::uint64_t>();
        const std::uint64_t department = row["departments_id"].is_null() ? 0 : row["departments_id"].as<std::uint64_t>();
        if (display_number == 0)
            assign_display_number(db, department);
        // Committed, number and all: the other clients may read it now.
        db.announce_save(department, dbid);
        return true;
    }
    catch (...)
    {
        report_current("EditorComponent::save_order", __LINE__);
        return false;
    }
}

void EditorComponent::assign_display_number(DB& db, std::uint64_t department_id)
{
    std::uint64_t number = 0;
    {
        // A failed statement ends the transaction, and with it the table lock, before it is reported.
        DBT work(db, "assign display number to maintenance log");
        work.exec(numbering_lock_sql, "");
        const pqxx::result highest = work.exec1(
            "SELECT MAX(display_number) FROM vek.logs WHERE departments_id=" + std::to_string(department_id), "");
        number = (highest[0][0].is_null() ? 0 : highest[0][0].as<std::uint64_t>()) + 1;
        work.exec("UPDATE vek.logs SET display_number=" + std::to_string(number) + " WHERE id=" + std::to_string(dbid),
                  "");
        work.commit();
    }
    display_number = number;
    add_history_event(HistoryEvent::save, dbid, "assigned display number " + std::to_string(number));
}

bool EditorComponent::has_unsaved_edits() const
{
    return ! read_only && (save_button.isEnabled() || current_texts() != loaded_texts);
}

std::array<juce::String, 3> EditorComponent::current_texts() const
{
    return {problem.getText(), action.getText(), time.editor.getText()};
}

void EditorComponent::remember_loaded_texts()
{
    loaded_texts = current_texts();
}

void EditorComponent::take_lock_again()
{
    DB* db = VekApplication::database_if_any();
    if (dbid == 0 || ! is_locked || db == nullptr || db->session_number() == lock_session)
        return;
    LogLine() << "taking the lock of log #" << dbid << " again on the new session";
    is_locked = false;
    if (lock_database_entry() || ! read_only)
        return;
    // Someone else took the entry meanwhile. What the user typed stays on screen, for copying.
    setEnabled(true);
    for (auto* child : getChildren())
        child->setEnabled(false);
    for (juce::TextEditor* text : {&problem, &action})
    {
        text->setReadOnly(true);
        text->setEnabled(true);
    }
}

void EditorComponent::make_read_only()
{
    read_only = true;
    setEnabled(false);
    if (auto* window = findParentComponentOfClass<juce::DocumentWindow>())
        window->setBackgroundColour(juce::Colour(221, 204, 204));
}

void EditorComponent::resized()
{
    const auto row_of = [](std::initializer_list<juce::Component*> fields) {
        juce::FlexBox row;
        for (juce::Component* field : fields)
            row.items.add(field != nullptr ? juce::FlexItem(*field).withFlex(1.0f) : juce::FlexItem().withFlex(1.0f));
        return row;
    };
    juce::FlexBox first = row_of({&log_id, &department, &start_date, &completion_date});
    juce::FlexBox second = row_of({&cost_center, &system, &equipment, &category});
    juce::FlexBox third = row_of({&status, &author, &shift, &time});
    juce::FlexBox fourth = row_of({&downtime, nullptr, nullptr, nullptr});

    juce::FlexBox buttons;
    buttons.justifyContent = juce::FlexBox::JustifyContent::spaceBetween;
    buttons.items.add(juce::FlexItem(save_button).withWidth(100.0f));
    buttons.items.add(juce::FlexItem(cancel_button).withWidth(100.0f));

    juce::FlexBox column;
    column.flexDirection = juce::FlexBox::Direction::column;
    for (juce::FlexBox* row : {&first, &second, &third, &fourth})
        column.items.add(juce::FlexItem(*row).withHeight(50.0f));
    const juce::FlexItem::Margin margin(5.0f);
    column.items.add(juce::FlexItem(problem).withFlex(1.0f).withMargin(margin));
    column.items.add(juce::FlexItem(action).withFlex(1.0f).withMargin(margin));
    column.items.add(juce::FlexItem(buttons).withHeight(25.0f));
    column.performLayout(getLocalBounds().reduced(5));
}

void EditorComponent::buttonClicked(juce::Button* button)
{
    if (button == &save_button)
    {
        juce::MouseCursor::showWaitCursor();
        setEnabled(false);
        const bool saved_now = save_order();
        juce::MouseCursor::hideWaitCursor();
        if (! saved_now)
        {
            setEnabled(! read_only);
            return;
        }
        saved = true;
        if (ShiftLogSummaryComponent* summary = summary_component())
            summary->schedule_merge_after_save(dbid);
        close_window();
    }
    else if (button == &cancel_button)
    {
        // Its rows of entries open in an editor are drawn hatched.
        if (ShiftLogSummaryComponent* summary = summary_component())
            summary->table.repaint();
        close_window();
    }
}

const juce::KeyPress EditorComponent::save_key('s', juce::ModifierKeys::commandModifier, 0);
const juce::KeyPress EditorComponent::close_key('w', juce::ModifierKeys::commandModifier, 0);

bool EditorComponent::keyPressed(const juce::KeyPress& key)
{
    if (key == save_key)
    {
        if (save_button.isEnabled())
            save_button.triggerClick();
        return true;
    }
    if (key == close_key)
    {
        close_window();
        return true;
    }
    return false;
}

void EditorComponent::close_window()
{
    if (auto* window = findParentComponentOfClass<EditorWnd>())
        window->closeButtonPressed();
}

void EditorComponent::comboBoxChanged(juce::ComboBox* box)
{
    // The status field validates after its own reaction, which moves the completion time: the
    // newest listener hears a change first, and this one was added after it.
    if (box != &status.combobox)
        validate_fields();
}

void EditorComponent::textEditorTextChanged(juce::TextEditor& editor)
{
    if (&editor == &time.editor)
        hours = hours_from_text(time.editor.getText().toStdString());
    validate_fields();
}
