#include "LogEntry.h"
#include "ReferenceStore.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace
{
class Store : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recorder().reset();
        store.departments[3] = department(3, "Planer Mill", "PM");
        store.roleviews[1] = view(1, 10, 3);
        store.roleviews[2] = view(2, 10, 5);
        store.roleviews[3] = view(3, 11, 3);
    }

    static Department department(std::uint64_t id, const std::string& name, const std::string& acronym)
    {
        Department d;
        d.id = id;
        d.name = name;
        d.acronym = acronym;
        return d;
    }

    static RoleView view(std::uint64_t id, std::uint64_t role, std::uint64_t department_id)
    {
        RoleView v;
        v.id = id;
        v.roles_id = role;
        v.departments_id = department_id;
        return v;
    }

    ReferenceStore store;
};
} // namespace

TEST_F(Store, MissingIdsAreReportedOnceEachAndGiveDefaults)
{
    EXPECT_EQ(store.department_at(3).acronym, "PM");
    const Employee nobody = store.employee_at(99);
    EXPECT_EQ(nobody.id, 0u);
    EXPECT_TRUE(nobody.full_name1.empty());
    EXPECT_FALSE(nobody.active);
    EXPECT_EQ(store.motor_at(5).id, 0u);

    const auto boxes = recorder().boxes();
    ASSERT_EQ(boxes.size(), 2u) << "one error box per failed lookup";
    const std::string log = read_log();
    EXPECT_NE(log.find("Cannot obtain author id #99 from the database (id does not exist)."), std::string::npos);
    EXPECT_NE(log.find("Function name:      VekApplication::motor_at"), std::string::npos);

    recorder().reset();
    EXPECT_EQ(store.downtime_reason_at(0).id, 0u);
    EXPECT_TRUE(recorder().boxes().empty()) << "a missing downtime reason is normal and silent";
}

TEST_F(Store, DepartmentsOfARole)
{
    EXPECT_EQ(store.departments_for_role(10), (std::set<std::uint64_t>{3, 5}));
    EXPECT_EQ(store.departments_for_role(11), (std::set<std::uint64_t>{3}));
    EXPECT_TRUE(store.departments_for_role(12).empty());
    EXPECT_NE(read_log().find("unusual results: found zero departments for role id #12"), std::string::npos);
}

TEST(ReferenceRecords, Descriptions)
{
    Employee employee;
    employee.id = 12;
    employee.full_name1 = "Jane Doe";
    employee.departments_id = 4;
    EXPECT_EQ(employee.describe(), "employee #12=\"Jane Doe\" [INACTIVE], in department #4");
    employee.active = true;
    EXPECT_EQ(employee.describe(), "employee #12=\"Jane Doe\", in department #4");

    Department department;
    department.id = 3;
    department.name = "Planer Mill";
    department.acronym = "PM";
    EXPECT_EQ(department.describe(), "department #3=\"Planer Mill\" (PM)");

    Motor motor;
    motor.id = 7;
    motor.mid = "PM-CV-101";
    motor.description = "Infeed conveyor";
    motor.process_id = 2;
    EXPECT_EQ(motor.describe(), "motor #7=PM-CV-101 [Infeed conveyor], in process #2");

    RoleView view;
    view.id = 1;
    view.roles_id = 2;
    view.departments_id = 3;
    EXPECT_EQ(view.describe(), "roleview #1: role=2 -> department=3");
}

TEST(LogEntryRecord, LogNumbers)
{
    EXPECT_EQ(format_log_number("PM", 42, 3), "PM-042");
    EXPECT_EQ(format_log_number("PM", 12345, 3), "PM-12345") << "a longer number is written in full";
    EXPECT_EQ(format_log_number("PM", 0, 3), "PM-?");
    EXPECT_EQ(format_log_number("", 7, 1), "-7");
}
