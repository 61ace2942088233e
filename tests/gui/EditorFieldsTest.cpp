#include "DB.h"
#include "EditorComponent.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace
{
// Adds a record to its map and order list; `fill` sets what a test needs besides the id.
template <typename Record, typename Fill>
void add(std::map<std::uint64_t, Record>& records, std::vector<std::uint64_t>& order, std::uint64_t id, Fill fill)
{
    Record record;
    record.id = id;
    fill(record);
    records[id] = record;
    order.push_back(id);
}

// A site in memory: the role sees departments 2 (Sawmill) and 3 (Boiler House), of which the
// second sorts first by name. Department 3 has one category, author and downtime reason; cost
// center 2 has one system with one piece of equipment. One employee of department 2 has no name.
class EditorFields : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recorder().reset();
        auto& a = test.app;
        add(a.departments, a.department_ids, 3, [](Department& r) { r.name = "Boiler House"; });
        add(a.departments, a.department_ids, 2, [](Department& r) { r.name = "Sawmill"; });
        add(a.departments, a.department_ids, 1, [](Department& r) { r.name = "Yard"; });
        for (const std::uint64_t department : {2, 3})
        {
            RoleView& view = a.roleviews[department];
            view.roles_id = 1;
            view.departments_id = department;
        }
        a.current_role_id = 1;

        add(a.cost_centers, a.cost_center_ids, 1, [](CostCenter& r) { r.name = "Energy"; });
        add(a.cost_centers, a.cost_center_ids, 2, [](CostCenter& r) { r.name = "Sawing"; });
        add(a.processes, a.process_ids, 1, [](Process& r) { r.name = "Boiler"; r.cost_center_id = 1; });
        add(a.processes, a.process_ids, 2, [](Process& r) { r.name = "Feedwater"; r.cost_center_id = 1; });
        add(a.processes, a.process_ids, 3, [](Process& r) { r.name = "Headrig"; r.cost_center_id = 2; });
        add(a.motors, a.motor_ids, 1, [](Motor& r) { r.mid = "BH-1"; r.description = "Boiler fan"; r.process_id = 1; });
        add(a.motors, a.motor_ids, 2, [](Motor& r) { r.mid = "BH-2"; r.description = "Feed pump"; r.process_id = 2; });
        add(a.motors, a.motor_ids, 3, [](Motor& r) { r.mid = "BH-3"; r.description = "Feed valve"; r.process_id = 2; });
        add(a.motors, a.motor_ids, 3000000000ULL,
            [](Motor& r) { r.mid = "BH-9"; r.description = "Beyond list ids"; r.process_id = 2; });
        add(a.motors, a.motor_ids, 4, [](Motor& r) { r.mid = "SM-1"; r.description = "Carriage"; r.process_id = 3; });

        const auto employee = [&a](std::uint64_t id, const char* name, bool active, std::uint64_t department) {
            add(a.employees, a.employee_ids, id, [&](Employee& r) {
                r.full_name1 = name;
                r.active = active;
                r.departments_id = department;
            });
        };
        employee(4, "Bo Hansen", true, 3);
        employee(2, "Ann Lee", true, 2);
        employee(1, "Ravi Patel", true, 2);
        employee(3, "Old Timer", false, 2);
        employee(5, "", true, 2);

        add(a.categories, a.category_ids, 2, [](Category& r) { r.name = "Electrical"; r.departments_id = 2; });
        add(a.categories, a.category_ids, 1, [](Category& r) { r.name = "Mechanical"; r.departments_id = 2; });
        add(a.categories, a.category_ids, 3, [](Category& r) { r.name = "Mechanical"; r.departments_id = 3; });
        const auto reason = [&a](std::uint64_t id, const char* name, std::uint64_t department) {
            add(a.downtime_reasons, a.downtime_reason_ids, id, [&](DowntimeReason& r) {
                r.name = name;
                r.departments_id = department;
            });
        };
        reason(1, "Breakdown", 2);
        reason(3, "Breakdown", 3);
        reason(2, "Jam-up", 2);
        add(a.statuses, a.status_ids, 1, [](Status& r) { r.name = "open"; });
        add(a.statuses, a.status_ids, 2, [](Status& r) { r.name = "closed"; });
        add(a.shifts, a.shift_ids, 1, [](Shift& r) { r.name = "Day"; });
        add(a.shifts, a.shift_ids, 2, [](Shift& r) { r.name = "Night"; });
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
    EXPECT_EQ(texts(editor.equipment),
              (std::vector<std::string>{"BH-1 Boiler fan", "BH-2 Feed pump", "BH-3 Feed valve"}));

    editor.cost_center.select_dbid(0);
    settle_messages();
    EXPECT_EQ(texts(editor.system).size(), 3u) << "every system";
    EXPECT_EQ(texts(editor.equipment).size(), 4u) << "every piece of equipment";

    // With a system chosen, clearing the cost center leaves the equipment that system's.
    editor.system.select_dbid(1);
    settle_messages();
    editor.cost_center.select_dbid(0);
    settle_messages();
    EXPECT_EQ(texts(editor.system).size(), 3u);
    EXPECT_EQ(texts(editor.equipment), (std::vector<std::string>{"BH-1 Boiler fan"}));
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
    settle_messages(); // the department's lists
    editor.equipment.select_dbid(2);
    editor.category.select_dbid(2);
    editor.author.select_dbid(1);
    editor.shift.select_dbid(1);
    editor.status.select_dbid(2);
    editor.downtime.select_dbid(1);
    editor.problem.setText(juce::String::fromUTF8("Pump \xC3\xA4 leaks\nagain"), true);
    editor.action.setText("new seal", true);
    editor.time.editor.setText("1h 30m", true);
    settle_messages();

    LogEntry expected;
    expected.departments_id = 2;
    expected.motor_id = 2;
    expected.categories_id = 2;
    expected.authors_id = 1;
    expected.shifts_id = 1;
    expected.status_id = 2;
    expected.downtime_reasons_id = 1;
    expected.problem = "Pump \xC3\xA4 leaks\nagain";
    expected.action = "new seal";
    expected.hours = 1.5;  // read from the time field as it changed
    expected.epoch_end = 1; // the closing status
    EXPECT_TRUE(editor.get_entry_from_screen() == expected) << editor.get_entry_from_screen().to_string();

    editor.time.editor.setText("h", true);
    settle_messages(2);
    EXPECT_EQ(editor.get_entry_from_screen().hours, -1.0) << "a time that is no duration";
}
