#include "Admin3FieldCheckboxComponent.h"
#include "AdminCellEditor.h"
#include "AdminRoleViewsComponent.h"
#include "AdminWnd.h"
#include "Brand.h"
#include "SampleLogs.h"
#include "ShiftLogSummaryWnd.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace
{
// Apostrophes, backslashes, double quotes and non-Latin letters, which must come back byte for byte.
const std::string awkward = " O'Neil \\ \"Ærø\" 東京";

class AdminTools : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recorder().reset();
        load_sample_site(database);
        // A few rows of this test's own, so that every editor's first parent lists rows to order.
        database.execute(R"SQL(
INSERT INTO vek.employees (id, first_name, last_name, active, departments_id) OVERRIDING SYSTEM VALUE VALUES
  (10, 'Anna', 'Zed', true, 3), (11, 'Bob', 'Adams', true, 3);
INSERT INTO vek.motors (id, mid, description, process_id) OVERRIDING SYSTEM VALUE VALUES (10, 'BH-AH-001', 'Ash hopper', 3);
INSERT INTO vek.categories (id, name, departments_id) OVERRIDING SYSTEM VALUE VALUES (10, 'Water', 3), (11, 'Burners', 3);
INSERT INTO vek.downtime_reasons (id, name, departments_id) OVERRIDING SYSTEM VALUE VALUES (10, 'Tubes', 3), (11, 'Fuel', 3);
)SQL");
    }

    // The history rows written since the last call: "event: description".
    std::vector<std::string> new_history()
    {
        std::vector<std::string> events;
        pqxx::nontransaction work(database.admin());
        for (const auto& row : work.exec("SELECT id, event, description FROM vek.client_history WHERE id > "
                                         + std::to_string(last_history_id) + " ORDER BY id"))
        {
            last_history_id = row[0].as<long>();
            events.push_back(std::string(row[1].c_str()) + ": " + row[2].c_str());
        }
        return events;
    }

    // Edits a cell as an administrator does: click, type, leave the field.
    static void type_into_cell(Admin2FieldComponent& editor, int row, int column, const std::string& text)
    {
        auto* cell = dynamic_cast<AdminCellEditor*>(editor.table_box.getCellComponent(column, row));
        ASSERT_NE(cell, nullptr) << "row " << row << " column " << column << " has a cell editor";
        cell->showEditor();
        ASSERT_NE(cell->getCurrentTextEditor(), nullptr);
        cell->getCurrentTextEditor()->setText(juce::String::fromUTF8(text.c_str()));
        cell->hideEditor(false);
    }

    static std::string cell_text(Admin2FieldComponent& editor, int row, int column)
    {
        auto* cell = dynamic_cast<juce::Label*>(editor.table_box.getCellComponent(column, row));
        return cell == nullptr ? "(no cell)" : cell->getText().toStdString();
    }

    template <typename Editor = Admin2FieldComponent>
    static std::unique_ptr<Editor> open_editor(const std::string& caption)
    {
        auto component = AdminComponent::create_editor(caption);
        auto* editor = dynamic_cast<Editor*>(component.get());
        EXPECT_NE(editor, nullptr) << caption;
        if (editor != nullptr)
            component.release();
        return std::unique_ptr<Editor>(editor);
    }

    sandbox::Database database;
    long last_history_id = 0;
};

// One table editor against the sample site: the parent to choose (0 keeps the first by name),
// the first field's texts in the table's order, and a new row's texts with where it is listed.
struct EditorCase
{
    std::string caption;
    std::string table;
    int parent;
    std::vector<std::string> listed;
    std::string new_first;
    std::string new_second;
    int new_position;
};

const std::vector<EditorCase> editor_cases{
    {"categories", "categories", 0, {"Burners", "Water"}, "Ash", "", 0},
    {"cost centers", "cost_center", 0, {"Energy", "Planing", "Sawing"}, "Zinc", "", 3},
    {"departments", "departments", 0, {"BH", "PM", "SM", "YD"}, "KL", "Kilns", 1},
    {"downtime reasons", "downtime_reasons", 0, {"Fuel", "Tubes"}, "Ice", "", 1},
    {"employees", "employees", 3, {"Bob", "Old", "Anna"}, "Cy", "Moss", 1},
    {"equipment", "motors", 0, {"BH-AH-001", "BH-FW-301"}, "AA-1", "Pump", 0},
    {"roles", "roles", 0, {"Planer Crew", "Supervisors", "Visitors", "Yard Crew"}, "Auditors", "", 0},
    {"shifts", "shifts", 0, {"Day", "Night"}, "Late", "", 1},
    {"status", "status", 0, {"closed", "open", "waiting for parts"}, "hold", "", 1},
    {"systems", "process", 1, {"Infeed"}, "Dryer", "", 0},
};
} // namespace

TEST_F(AdminTools, WindowOpensEachTablesEditorFreshInACallOutBox)
{
    TestApp test(&database);
    test.load_store();
    test.app.current_role_id = 1;
    test.app.run(VekApplication::job_admin_window);
    ASSERT_NE(test.app.admin_window, nullptr);
    AdminWnd& window = *test.app.admin_window;
    EXPECT_EQ(window.getName().toStdString(), Brand::current().title_prefix + "VEK v1.2.1-3304 - Administration Tools");
    EXPECT_NE(read_log().find("starting the admin tool for role #1 (Supervisors)"), std::string::npos);

    const std::vector<std::string> expected{"categories", "cost centers", "departments", "downtime reasons",
                                            "employees",  "equipment",    "role views",  "roles",
                                            "shifts",     "status",       "systems"};
    auto& buttons = window.component.buttons;
    ASSERT_EQ(buttons.size(), 11);
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(buttons[i]->getButtonText().toStdString(), expected[static_cast<std::size_t>(i)])
            << "byte-wise order puts \"role views\" before \"roles\"";
    window.component.setSize(300, 560);
    EXPECT_EQ(buttons[0]->getY(), 10);
    EXPECT_EQ(buttons[10]->getBottom(), 550) << "the buttons share the height";

    const auto press = [&](int index) -> juce::Component* {
        juce::Component* before = window.component.open_editor.getComponent();
        buttons[index]->triggerClick();
        pump_until([&] { return window.component.open_editor.getComponent() != before; }, 3000);
        return window.component.open_editor.getComponent();
    };

    auto* employees = dynamic_cast<Admin3FieldCheckboxComponent*>(press(4));
    ASSERT_NE(employees, nullptr) << "employees get the checkbox editor";
    EXPECT_NE(dynamic_cast<juce::CallOutBox*>(employees->getParentComponent()), nullptr);
    EXPECT_EQ(employees->getParentComponent()->getParentComponent(), &window.component);
    EXPECT_TRUE(employees->parent_box.isVisible());
    ASSERT_EQ(employees->parent_box.getNumItems(), 4);
    EXPECT_EQ(employees->parent_box.getItemText(0), "Boiler House");
    EXPECT_EQ(employees->table_box.getHeader().getNumColumns(true), 4);
    EXPECT_EQ(employees->table_box.getHeader().getColumnName(4), "active");

    auto* shifts = dynamic_cast<Admin2FieldComponent*>(press(8));
    ASSERT_NE(shifts, nullptr);
    EXPECT_FALSE(shifts->parent_box.isVisible()) << "shifts belong to no parent";
    EXPECT_EQ(shifts->table_box.getHeader().getNumColumns(true), 2);
    EXPECT_EQ(shifts->getNumRows(), 2);

    database.execute("INSERT INTO vek.shifts (name) VALUES ('Swing')");
    auto* again = dynamic_cast<Admin2FieldComponent*>(press(8));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->getNumRows(), 3) << "a second press reads the table anew";

    // A table the editor cannot show is reported once; the window stays usable.
    database.execute("ALTER TABLE vek.employees ALTER COLUMN active DROP NOT NULL;"
                     "UPDATE vek.employees SET active = NULL WHERE id = 3");
    recorder().reset();
    buttons[4]->triggerClick();
    ASSERT_TRUE(pump_until([] { return ! recorder().boxes().empty(); }, 3000));
    EXPECT_EQ(recorder().boxes().size(), 1u);
    EXPECT_TRUE(recorder().exits().empty());
    EXPECT_NE(dynamic_cast<Admin2FieldComponent*>(press(8)), nullptr) << "the other editors still open";

    window.closeButtonPressed();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(recorder().quits(), 1) << "closing the administration window ends the program";
}

TEST_F(AdminTools, EachTableEditorListsItsRowsInItsOrder)
{
    TestApp test(&database);
    for (const auto& c : editor_cases)
    {
        auto editor = open_editor(c.caption);
        ASSERT_NE(editor, nullptr);
        if (c.parent != 0)
            editor->parent_box.setSelectedId(c.parent, juce::sendNotificationSync);
        std::vector<std::string> listed;
        for (int row = 0; row < editor->getNumRows(); ++row)
            listed.push_back(editor->model.text(row, editor->model.settings.first_field));
        EXPECT_EQ(listed, c.listed) << c.caption;
        EXPECT_EQ(cell_text(*editor, 0, 2), c.listed[0]) << c.caption << ": the cell shows its text";

        // A click on a header only moves its arrow: the rows are painted in their order still.
        auto& header = editor->table_box.getHeader();
        header.columnClicked(2, {});
        pump_messages(50);
        EXPECT_EQ(header.getSortColumnId(), 2) << c.caption << ": the arrow is on the clicked column";
        std::vector<std::string> painted;
        for (int row = 0; row < editor->getNumRows(); ++row)
            painted.push_back(cell_text(*editor, row, 2));
        EXPECT_EQ(painted, c.listed) << c.caption;
    }

    // Without departments, the department's editors list nothing and add nothing.
    database.execute("DELETE FROM vek.roleviews; DELETE FROM vek.employees; DELETE FROM vek.categories;"
                     "DELETE FROM vek.downtime_reasons; DELETE FROM vek.departments");
    auto categories = open_editor("categories");
    EXPECT_EQ(categories->getNumRows(), 0);
    categories->first_editor.setText("Orphan");
    categories->textEditorTextChanged(categories->first_editor);
    EXPECT_FALSE(categories->add_button.isEnabled()) << "no parent, no new row";
}

TEST_F(AdminTools, EachTableEditorEditsCellsInPlace)
{
    TestApp test(&database);
    for (const auto& c : editor_cases)
    {
        auto editor = open_editor(c.caption);
        ASSERT_NE(editor, nullptr);
        if (c.parent != 0)
            editor->parent_box.setSelectedId(c.parent, juce::sendNotificationSync);
        const auto& field = editor->model.settings.first_field;
        const std::string id = editor->model.text(0, "id");
        const std::string stored_sql = "SELECT " + field + " FROM vek." + c.table + " WHERE id=" + id;
        new_history();

        const std::string typed = c.listed[0] + awkward;
        type_into_cell(*editor, 0, 2, "  " + typed + " ");
        EXPECT_EQ(database.value(stored_sql), typed) << c.caption << ": trimmed and stored byte for byte";
        EXPECT_EQ(new_history(), std::vector<std::string>{"admin: " + c.table + " id #" + id + " " + field
                                                          + " was updated from \"" + c.listed[0] + "\" to \"" + typed
                                                          + "\""})
            << c.caption;

        type_into_cell(*editor, 0, 2, "   ");
        type_into_cell(*editor, 0, 2, typed);
        EXPECT_EQ(database.value(stored_sql), typed) << c.caption << ": an empty or unchanged text writes nothing";
        EXPECT_TRUE(new_history().empty()) << c.caption;
        for (int row = 0; row < editor->getNumRows(); ++row)
        {
            if (editor->model.text(row, "id") == id)
            {
                EXPECT_EQ(cell_text(*editor, row, 2), typed) << c.caption << ": the stored text is shown again";
            }
        }
    }
    const std::string log = read_log();
    EXPECT_NE(log.find("SQL: non-transaction: UPDATE vek.shifts SET name='Day O''Neil \\ \"Ærø\" 東京' WHERE id=1"),
              std::string::npos)
        << "the statement as sent, escaped";
    EXPECT_NE(log.find("SQL: non-transaction: SELECT * FROM vek.process WHERE cost_center_id=1 ORDER BY name"),
              std::string::npos);
}

TEST_F(AdminTools, EachTableEditorAddsRowsUnderTheChosenParent)
{
    // A site whose employee table has no default for "active" still gets active employees.
    database.execute("ALTER TABLE vek.employees ALTER COLUMN active DROP DEFAULT, ALTER COLUMN active DROP NOT NULL");
    TestApp test(&database);
    for (const auto& c : editor_cases)
    {
        auto editor = open_editor(c.caption);
        ASSERT_NE(editor, nullptr);
        if (c.parent != 0)
            editor->parent_box.setSelectedId(c.parent, juce::sendNotificationSync);
        const bool two_fields = editor->model.settings.has_second_field();
        new_history();

        const std::string first = c.new_first + awkward;
        const std::string second = two_fields ? c.new_second + awkward : "";
        editor->first_editor.setText(juce::String::fromUTF8((" " + first + " ").c_str()));
        editor->textEditorTextChanged(editor->first_editor);
        EXPECT_EQ(editor->add_button.isEnabled(), ! two_fields) << c.caption << ": the second text is needed too";
        editor->second_editor.setText(juce::String::fromUTF8(second.c_str()));
        editor->textEditorTextChanged(editor->second_editor);
        ASSERT_TRUE(editor->add_button.isEnabled()) << c.caption;
        editor->buttonClicked(&editor->add_button);

        EXPECT_EQ(new_history(), std::vector<std::string>{"admin: created new " + c.table + " entry with \"" + first
                                                          + "\", \"" + second + "\""})
            << c.caption;
        EXPECT_TRUE(editor->first_editor.isEmpty() && editor->second_editor.isEmpty()) << c.caption;
        EXPECT_FALSE(editor->add_button.isEnabled()) << c.caption;
        const auto& field = editor->model.settings.first_field;
        ASSERT_GT(editor->getNumRows(), c.new_position) << c.caption;
        EXPECT_EQ(editor->model.text(c.new_position, field), first) << c.caption << ": listed in its place";
        if (two_fields)
        {
            EXPECT_EQ(editor->model.text(c.new_position, editor->model.settings.second_field), second) << c.caption;
        }
        if (editor->model.settings.has_parent())
        {
            const std::string link = editor->model.settings.parent_table + "_id";
            EXPECT_EQ(editor->model.text(c.new_position, link), std::to_string(editor->parent_id())) << c.caption;
        }
    }
    EXPECT_EQ(database.value("SELECT active FROM vek.employees WHERE first_name LIKE 'Moss%' OR last_name LIKE "
                             "'Moss%'"),
              "t")
        << "a new employee is written active";
    const std::string log = read_log();
    EXPECT_NE(log.find("INSERT INTO vek.categories (name, departments_id) VALUES ('Ash O''Neil"), std::string::npos);
    EXPECT_NE(log.find("INSERT INTO vek.employees (first_name, last_name, departments_id, active) VALUES ('Cy O''Neil"),
              std::string::npos);
    EXPECT_NE(log.find("', 3, TRUE)"), std::string::npos);
}

TEST_F(AdminTools, EmployeeSwitchWritesTrueOrFalseAtOnce)
{
    TestApp test(&database);
    auto editor = open_editor<Admin3FieldCheckboxComponent>("employees");
    ASSERT_NE(editor, nullptr);
    editor->parent_box.setSelectedId(3, juce::sendNotificationSync);
    ASSERT_EQ(editor->model.text(1, "last_name"), "Timer");
    new_history();

    for (const bool active : {true, false})
    {
        auto* toggle = dynamic_cast<juce::ToggleButton*>(editor->table_box.getCellComponent(4, 1));
        ASSERT_NE(toggle, nullptr);
        EXPECT_NE(toggle->getToggleState(), active) << "the box shows the stored flag";
        toggle->setToggleState(active, juce::sendNotificationSync);
        EXPECT_EQ(database.value("SELECT active FROM vek.employees WHERE id=3"), active ? "t" : "f");
        EXPECT_EQ(new_history(), std::vector<std::string>{std::string("admin: employees id #3 (Old Timer) employee ")
                                                          + (active ? "enabled" : "disabled")});
        EXPECT_EQ(database.value("SELECT count(*) FROM vek.employees WHERE active"), active ? "5" : "4")
            << "no other employee changes";
    }
    EXPECT_NE(read_log().find("UPDATE vek.employees SET active=FALSE WHERE id=3"), std::string::npos);
}

TEST_F(AdminTools, RoleViewsGrantAndWithdrawDepartments)
{
    TestApp test(&database);
    AdminRoleViewsComponent editor;
    EXPECT_EQ(editor.getHeight(), 35 * 5);
    EXPECT_EQ(editor.role_box.getText(), "Planer Crew") << "roles in name order, the first chosen";
    std::vector<std::string> names;
    std::vector<bool> ticked;
    for (const auto& [id, box] : editor.checkboxes)
    {
        names.push_back(box->getButtonText().toStdString());
        ticked.push_back(box->getToggleState());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Planer Mill", "Sawmill", "Boiler House", "Yard"}))
        << "by department id, not by name";
    EXPECT_EQ(ticked, (std::vector<bool>{true, true, false, false}));
    editor.setSize(200, 175);
    EXPECT_LT(editor.checkboxes.at(1)->getY(), editor.checkboxes.at(3)->getY()) << "laid out by id";

    new_history();
    editor.checkboxes.at(3)->setToggleState(true, juce::sendNotificationSync);
    editor.checkboxes.at(2)->setToggleState(false, juce::sendNotificationSync);
    EXPECT_EQ(database.value("SELECT string_agg(departments_id::text, ',' ORDER BY departments_id) FROM vek.roleviews "
                             "WHERE roles_id=2"),
              "1,3");
    EXPECT_EQ(new_history(), (std::vector<std::string>{"admin: added view \"Boiler House\" to role \"Planer Crew\"",
                                                       "admin: removed view \"Sawmill\" from role \"Planer Crew\""}));
    const std::string log = read_log();
    EXPECT_NE(log.find("INSERT INTO vek.roleviews (roles_id, departments_id) VALUES (2, 3)"), std::string::npos);
    EXPECT_NE(log.find("DELETE from vek.roleviews WHERE roles_id=2 AND departments_id=2"), std::string::npos);

    editor.role_box.setSelectedId(4, juce::sendNotificationSync); // Visitors
    for (const auto& [id, box] : editor.checkboxes)
        EXPECT_FALSE(box->getToggleState()) << "another role's views: " << id;

    // Without roles, a click changes nothing.
    database.execute("DELETE FROM vek.roleviews; DELETE FROM vek.roles");
    AdminRoleViewsComponent empty;
    EXPECT_EQ(empty.role_box.getSelectedId(), 0);
    empty.checkboxes.at(1)->setToggleState(true, juce::sendNotificationSync);
    EXPECT_EQ(database.value("SELECT count(*) FROM vek.roleviews"), "0");
    EXPECT_FALSE(empty.checkboxes.at(1)->getToggleState()) << "the box shows the database";
}

TEST_F(AdminTools, FailedWritesRecordAProblemAndKeepWhatWasTyped)
{
    database.execute("ALTER TABLE vek.shifts ADD CONSTRAINT no_forbidden CHECK (name <> 'Forbidden');"
                     "ALTER TABLE vek.roleviews ADD CONSTRAINT no_boiler CHECK (departments_id <> 3) NOT VALID;"
                     "ALTER TABLE vek.employees ADD CONSTRAINT stay_active CHECK (active) NOT VALID");
    TestApp test(&database);
    new_history();

    auto shifts = open_editor("shifts");
    shifts->first_editor.setText("Forbidden");
    shifts->textEditorTextChanged(shifts->first_editor);
    shifts->buttonClicked(&shifts->add_button);
    EXPECT_EQ(shifts->first_editor.getText(), "Forbidden") << "the typed text stays for another try";
    EXPECT_TRUE(shifts->add_button.isEnabled());
    EXPECT_EQ(shifts->getNumRows(), 2);
    EXPECT_EQ(recorder().boxes().size(), 1u) << "the failure is shown once";

    type_into_cell(*shifts, 0, 2, "Forbidden");
    EXPECT_EQ(cell_text(*shifts, 0, 2), "Day") << "the cell shows the stored text again";

    auto employees = open_editor<Admin3FieldCheckboxComponent>("employees");
    employees->parent_box.setSelectedId(3, juce::sendNotificationSync);
    auto* toggle = dynamic_cast<juce::ToggleButton*>(employees->table_box.getCellComponent(4, 0));
    ASSERT_NE(toggle, nullptr);
    toggle->setToggleState(false, juce::sendNotificationSync);
    EXPECT_TRUE(dynamic_cast<juce::ToggleButton*>(employees->table_box.getCellComponent(4, 0))->getToggleState());

    AdminRoleViewsComponent views;
    views.checkboxes.at(3)->setToggleState(true, juce::sendNotificationSync);
    EXPECT_FALSE(views.checkboxes.at(3)->getToggleState()) << "the box shows what the database holds";

    std::vector<std::string> problems;
    for (const auto& event : new_history())
        if (event.rfind("problem: failed", 0) == 0)
            problems.push_back(event);
    EXPECT_EQ(problems, (std::vector<std::string>{
                            "problem: failed to create a new entry in the table shifts",
                            "problem: failed to update id #1 in the table shifts",
                            "problem: failed to update id #11 in the table employees",
                            "problem: failed update the role-view for \"Planer Crew\" -> \"Boiler House\""}));
    EXPECT_EQ(recorder().boxes().size(), 4u) << "one box per failure";
    EXPECT_EQ(database.value("SELECT count(*) FROM vek.shifts"), "2");
}

TEST_F(AdminTools, CellEditLandsOnTheRowWhereEditingBegan)
{
    TestApp test(&database);
    auto shifts = open_editor("shifts");
    auto* cell = dynamic_cast<AdminCellEditor*>(shifts->table_box.getCellComponent(2, 0));
    ASSERT_NE(cell, nullptr);
    cell->showEditor();
    cell->getCurrentTextEditor()->setText("Early");

    // Another administrator adds a shift that sorts first, and the table is read again meanwhile.
    database.execute("INSERT INTO vek.shifts (name) VALUES ('Afternoon')");
    shifts->refresh();
    ASSERT_NE(cell->getCurrentTextEditor(), nullptr) << "the typed text is not thrown away";
    EXPECT_EQ(cell->getCurrentTextEditor()->getText(), "Early");

    cell->hideEditor(false);
    EXPECT_EQ(database.value("SELECT string_agg(name, ',' ORDER BY id) FROM vek.shifts"), "Early,Night,Afternoon");
    pump_messages(50);
    EXPECT_EQ(cell_text(*shifts, 0, 2), "Afternoon");
    EXPECT_EQ(cell_text(*shifts, 1, 2), "Early");
}

TEST_F(AdminTools, ChangesReachTheStoreAtTheNextStart)
{
    add_sample_logs(database, 200);
    {
        TestApp test(&database);
        test.load_store();
        auto categories = open_editor("categories");
        categories->parent_box.setSelectedId(1, juce::sendNotificationSync);
        categories->first_editor.setText("Hydraulics");
        categories->buttonClicked(&categories->add_button);
        AdminRoleViewsComponent views; // Planer Crew first
        views.checkboxes.at(3)->setToggleState(true, juce::sendNotificationSync);

        EXPECT_EQ(test.app.categories.size(), 5u) << "the running client's store is left alone";
        EXPECT_EQ(test.app.departments_for_role(2), (std::set<std::uint64_t>{1, 2}));
    }

    TestApp test(&database);
    test.load_store();
    std::vector<std::string> planer_mill;
    for (const auto id : test.app.category_ids)
        if (test.app.categories.at(id).departments_id == 1)
            planer_mill.push_back(test.app.categories.at(id).name);
    EXPECT_EQ(planer_mill, (std::vector<std::string>{"Electrical", "Hydraulics", "Mechanical"}));
    EXPECT_EQ(test.app.departments_for_role(2), (std::set<std::uint64_t>{1, 2, 3}));

    test.app.current_role_id = 2;
    test.app.run(VekApplication::job_shift_log_summary_window);
    auto& summary = test.app.summary_window->component;
    ASSERT_TRUE(pump_until([&] { return summary.isEnabled() && summary.model_attached(); }, 10000));
    bool boiler_house = false;
    for (const auto* row : summary.visible_rows)
        boiler_house = boiler_house || row->cell(14) == "Boiler House";
    EXPECT_TRUE(boiler_house) << "the role's summary lists its new department's entries";
}
