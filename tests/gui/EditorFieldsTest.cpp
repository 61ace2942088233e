#include "DB.h"
#include "EditorComponent.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// A site in memory: the role sees departments 2 (Sawmill) and 3 (Boiler House), of which the
// second sorts first by name. Department 3 has one category, author and downtime reason; cost
// center 2 has one system with one piece of equipment. One employee of department 2 has no name.
class EditorFields : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recorder().reset();
        auto& app = test.app;
        app.departments = {{1, department(1, "Yard", "YD")}, {2, department(2, "Sawmill", "SM")},
                           {3, department(3, "Boiler House", "BH")}};
        app.department_ids = {3, 2, 1};
        app.roleviews = {{1, view(1, 1, 2)}, {2, view(2, 1, 3)}};
        app.current_role_id = 1;

        app.cost_centers = {{1, cost_center(1, "Energy")}, {2, cost_center(2, "Sawing")}};
        app.cost_center_ids = {1, 2};
        app.processes = {{1, process(1, "Boiler", 1)}, {2, process(2, "Feedwater", 1)}, {3, process(3, "Headrig", 2)}};
        app.process_ids = {1, 2, 3};
        app.motors = {{1, motor(1, "BH-1", "Boiler fan", 1)},
                      {2, motor(2, "BH-2", "Feed pump", 2)},
                      {3, motor(3, "BH-3", "Feed valve", 2)},
                      {4, motor(4, "SM-1", "Carriage", 3)},
                      {3000000000ULL, motor(3000000000ULL, "BH-9", "Beyond the list ids", 2)}};
        app.motor_ids = {1, 2, 3, 3000000000ULL, 4};

        app.employees = {{1, employee(1, "Ravi Patel", true, 2)},
                         {2, employee(2, "Ann Lee", true, 2)},
                         {3, employee(3, "Old Timer", false, 2)},
                         {4, employee(4, "Bo Hansen", true, 3)},
                         {5, employee(5, "", true, 2)}};
        app.employee_ids = {4, 2, 1, 3, 5};
        app.categories = {{1, named<Category>(1, "Mechanical", 2)}, {2, named<Category>(2, "Electrical", 2)},
                          {3, named<Category>(3, "Mechanical", 3)}};
        app.category_ids = {2, 1, 3};
        app.downtime_reasons = {{1, named<DowntimeReason>(1, "Breakdown", 2)},
                                {2, named<DowntimeReason>(2, "Jam-up", 2)},
                                {3, named<DowntimeReason>(3, "Breakdown", 3)}};
        app.downtime_reason_ids = {1, 3, 2};
        app.statuses = {{1, simple<Status>(1, "open")}, {2, simple<Status>(2, "closed")}};
        app.status_ids = {1, 2};
        app.shifts = {{1, simple<Shift>(1, "Day")}, {2, simple<Shift>(2, "Night")}};
        app.shift_ids = {1, 2};
    }

    static Department department(std::uint64_t id, const char* name, const char* acronym)
    {
        Department record;
        record.id = id;
        record.name = name;
        record.acronym = acronym;
        return record;
    }
    static RoleView view(std::uint64_t id, std::uint64_t role, std::uint64_t department_id)
    {
        RoleView record;
        record.id = id;
        record.roles_id = role;
        record.departments_id = department_id;
        return record;
    }
    static CostCenter cost_center(std::uint64_t id, const char* name) { return simple<CostCenter>(id, name); }
    static Process process(std::uint64_t id, const char* name, std::uint64_t cost_center_id)
    {
        Process record = simple<Process>(id, name);
        record.cost_center_id = cost_center_id;
        return record;
    }
    static Motor motor(std::uint64_t id, const char* mid, const char* description, std::uint64_t process_id)
    {
        Motor record;
        record.id = id;
        record.mid = mid;
        record.description = description;
        record.process_id = process_id;
        return record;
    }
    static Employee employee(std::uint64_t id, const char* name, bool active, std::uint64_t department_id)
    {
        Employee record;
        record.id = id;
        record.full_name1 = name;
        record.active = active;
        record.departments_id = department_id;
        return record;
    }
    template <typename Record>
    static Record simple(std::uint64_t id, const char* name)
    {
        Record record;
        record.id = id;
        record.name = name;
        return record;
    }
    template <typename Record>
    static Record named(std::uint64_t id, const char* name, std::uint64_t department_id)
    {
        Record record = simple<Record>(id, name);
        record.departments_id = department_id;
        return record;
    }

    static std::vector<std::string> texts(const GroupboxWithCombobox& field)
    {
        std::vector<std::string> result;
        for (int index = 0; index < field.combobox.getNumItems(); ++index)
            result.push_back(field.combobox.getItemText(index).toStdString());
        return result;
    }

    TestApp test;
};
} // namespace

TEST_F(EditorFields, TheDepartmentDecidesCategoriesAuthorsAndDowntimeReasons)
{
    EditorComponent editor;
    EXPECT_EQ(texts(editor.downtime), (std::vector<std::string>{"Breakdown", "Breakdown", "Jam-up"}))
        << "every downtime reason before a department is known";
    settle_messages();

    EXPECT_EQ(texts(editor.department), (std::vector<std::string>{"Boiler House", "Sawmill"}));
    EXPECT_EQ(editor.department.get_dbid(), 2u) << "the lowest id, not the first name";
    EXPECT_EQ(texts(editor.category), (std::vector<std::string>{"Electrical", "Mechanical"}));
    EXPECT_EQ(editor.category.get_dbid(), 0u) << "two categories: none chosen";
    EXPECT_EQ(texts(editor.downtime), (std::vector<std::string>{"Breakdown", "Jam-up"}));

    // Active authors first; former ones after a separator, listed but not to be picked.
    EXPECT_EQ(texts(editor.author), (std::vector<std::string>{"Ann Lee", "Ravi Patel", "", "Old Timer"}));
    ASSERT_EQ(editor.author.items().size(), 5u);
    EXPECT_EQ(editor.author.items()[3].id, 0) << "the separator";
    EXPECT_EQ(editor.author.get_dbid(), 0u) << "nothing chosen is no choice of the employee without a name";
    EXPECT_TRUE(editor.author.combobox.isItemEnabled(1));
    EXPECT_FALSE(editor.author.combobox.isItemEnabled(3));
    editor.author.select_dbid(3);
    EXPECT_EQ(editor.author.get_dbid(), 3u) << "a former employee can be shown";
    EXPECT_FALSE(editor.author.is_valid()) << "but is no valid author";
    editor.author.select_dbid(1);
    EXPECT_TRUE(editor.author.is_valid());
    editor.category.select_dbid(1);
    editor.downtime.select_dbid(1);

    // Department 3 has one of each: they are chosen by themselves.
    editor.department.select_dbid(3);
    settle_messages();
    EXPECT_EQ(editor.category.get_dbid(), 3u);
    EXPECT_EQ(editor.author.get_dbid(), 4u);
    EXPECT_EQ(editor.downtime.get_dbid(), 3u);
    EXPECT_NE(read_log().find("author: department id change detected, need to update employee names for department "
                              "#: 3"),
              std::string::npos);

    // Back again: an item of the same text is kept, a name the department lacks is dropped.
    editor.department.select_dbid(2);
    settle_messages();
    EXPECT_EQ(editor.category.get_dbid(), 1u) << "Mechanical of department 2";
    EXPECT_EQ(editor.downtime.get_dbid(), 1u) << "Breakdown of department 2";
    EXPECT_EQ(editor.author.get_dbid(), 0u) << "Bo Hansen is not in department 2";
    EXPECT_EQ(editor.author.combobox.getText(), "");
    EXPECT_TRUE(recorder().boxes().empty());
}

TEST_F(EditorFields, EquipmentChosenFirstFillsInItsSystemAndCostCenter)
{
    EditorComponent editor;
    settle_messages();
    EXPECT_EQ(texts(editor.cost_center), (std::vector<std::string>{"Energy", "Sawing"}));
    EXPECT_EQ(texts(editor.system), (std::vector<std::string>{"Boiler", "Feedwater", "Headrig"}));
    EXPECT_EQ(texts(editor.equipment),
              (std::vector<std::string>{"BH-1 Boiler fan", "BH-2 Feed pump", "BH-3 Feed valve", "SM-1 Carriage"}))
        << "an id beyond the list's ids is left out instead of standing for another record";
    EXPECT_NE(read_log().find("cannot list record #3000000000"), std::string::npos);

    editor.equipment.select_dbid(3);
    settle_messages();
    EXPECT_EQ(editor.equipment.get_dbid(), 3u);
    EXPECT_EQ(editor.system.get_dbid(), 2u);
    EXPECT_EQ(editor.cost_center.get_dbid(), 1u);
    EXPECT_EQ(texts(editor.system), (std::vector<std::string>{"Boiler", "Feedwater"})) << "the cost center's systems";
    EXPECT_EQ(texts(editor.equipment), (std::vector<std::string>{"BH-2 Feed pump", "BH-3 Feed valve"}))
        << "the system's equipment";

    // Another cost center with one system and one piece of equipment: both follow by themselves.
    editor.cost_center.select_dbid(2);
    settle_messages();
    EXPECT_EQ(texts(editor.system), (std::vector<std::string>{"Headrig"}));
    EXPECT_EQ(editor.system.get_dbid(), 3u);
    EXPECT_EQ(texts(editor.equipment), (std::vector<std::string>{"SM-1 Carriage"}));
    EXPECT_EQ(editor.equipment.get_dbid(), 4u);
    EXPECT_TRUE(recorder().boxes().empty());
}

TEST_F(EditorFields, ClearingTheCostCenterListsEverythingAgain)
{
    EditorComponent editor;
    settle_messages();
    editor.cost_center.select_dbid(1);
    settle_messages();
    EXPECT_EQ(texts(editor.system), (std::vector<std::string>{"Boiler", "Feedwater"}));
    EXPECT_EQ(texts(editor.equipment), (std::vector<std::string>{"BH-1 Boiler fan", "BH-2 Feed pump", "BH-3 Feed valve"}));

    editor.cost_center.select_dbid(0);
    settle_messages();
    EXPECT_EQ(texts(editor.system).size(), 3u) << "every system";
    EXPECT_EQ(texts(editor.equipment).size(), 4u) << "every piece of equipment";

    // With a system chosen, the equipment stays that system's.
    editor.system.select_dbid(1);
    settle_messages();
    EXPECT_EQ(texts(editor.equipment), (std::vector<std::string>{"BH-1 Boiler fan"}));
    EXPECT_EQ(editor.equipment.get_dbid(), 1u) << "the one piece of equipment of the system";
    editor.cost_center.select_dbid(2);
    settle_messages();
    editor.cost_center.select_dbid(0);
    editor.system.select_dbid(0);
    settle_messages();
    EXPECT_EQ(editor.equipment.get_dbid(), 4u) << "the equipment kept fills its system and cost center in again";
    EXPECT_EQ(texts(editor.system), (std::vector<std::string>{"Headrig"}));
    EXPECT_EQ(editor.system.get_dbid(), 3u);
    EXPECT_EQ(editor.cost_center.get_dbid(), 2u);
}

TEST_F(EditorFields, ClosingStatusCompletesTodayUnlessTheEntryHasACompletionTime)
{
    EditorComponent editor;
    settle_messages();
    EXPECT_EQ(editor.start_date.label.getText(), "today");
    EXPECT_EQ(editor.start_date.label.getTooltip().toStdString(), EditorComponent::local_date_text(epoch_now()));
    EXPECT_EQ(editor.completion_date.label.getText(), "");

    editor.status.select_dbid(2);
    settle_messages();
    EXPECT_EQ(editor.epoch_end, 1) << "completed when saved";
    EXPECT_EQ(editor.completion_date.label.getText(), "today");

    editor.status.select_dbid(1);
    settle_messages();
    EXPECT_EQ(editor.epoch_end, 0);
    EXPECT_EQ(editor.completion_date.label.getText(), "");

    editor.epoch_end = 1700000000;
    editor.completion_date.label.setText("Tue Nov 14, 2023", juce::dontSendNotification);
    editor.status.select_dbid(2);
    settle_messages();
    EXPECT_EQ(editor.epoch_end, 1700000000) << "an entry completed before keeps its time";
    EXPECT_EQ(editor.completion_date.label.getText(), "Tue Nov 14, 2023");
}

TEST_F(EditorFields, TheEntryOnScreenIsWhatTheFieldsShow)
{
    EditorComponent editor;
    settle_messages();
    LogEntry blank;
    blank.departments_id = 2;
    EXPECT_TRUE(editor.get_entry_from_screen() == blank)
        << "a new entry has only its department: " << editor.get_entry_from_screen().to_string();

    editor.equipment.select_dbid(2);
    editor.category.select_dbid(2);
    editor.author.select_dbid(1);
    editor.shift.select_dbid(2);
    editor.status.select_dbid(2);
    editor.downtime.select_dbid(2);
    editor.problem.setText(juce::String::fromUTF8("Pump \xC3\xA4 leaks\nagain"), true);
    editor.action.setText("new seal", true);
    editor.time.editor.setText("1h 30m", true);
    settle_messages();

    const LogEntry entry = editor.get_entry_from_screen();
    EXPECT_EQ(entry.id, 0u);
    EXPECT_EQ(entry.departments_id, 2u);
    EXPECT_EQ(entry.motor_id, 2u);
    EXPECT_EQ(entry.categories_id, 2u);
    EXPECT_EQ(entry.authors_id, 1u);
    EXPECT_EQ(entry.shifts_id, 2u);
    EXPECT_EQ(entry.status_id, 2u);
    EXPECT_EQ(entry.downtime_reasons_id, 2u);
    EXPECT_EQ(entry.problem, "Pump \xC3\xA4 leaks\nagain") << "UTF-8, line breaks kept";
    EXPECT_EQ(entry.action, "new seal");
    EXPECT_EQ(entry.hours, 1.5) << "read from the time field as it changed";
    EXPECT_EQ(entry.epoch_end, 1) << "the closing status";

    editor.time.editor.setText("h", true);
    settle_messages(2);
    EXPECT_EQ(editor.get_entry_from_screen().hours, -1.0) << "a time that is no duration";
    editor.time.editor.setText({}, false);
    editor.time.editor.insertTextAtCaret("1h 30mx:99999");
    EXPECT_EQ(editor.time.editor.getText(), "1h30m:9999") << "digits, '.', ':', h and m, at most 10 of them";
}
