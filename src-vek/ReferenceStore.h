#pragma once

#include "ReferenceRecords.h"

#include <cstdint>
#include <map>
#include <set>
#include <vector>

// The reference tables in memory: one map by id and one presentation order per kind. Filled
// once by the start-up load and read-only afterwards.
class ReferenceStore
{
public:
    std::map<std::uint64_t, CostCenter> cost_centers;
    std::vector<std::uint64_t> cost_center_ids;
    std::map<std::uint64_t, Process> processes;
    std::vector<std::uint64_t> process_ids;
    std::map<std::uint64_t, Motor> motors;
    std::vector<std::uint64_t> motor_ids;
    std::map<std::uint64_t, Department> departments;
    std::vector<std::uint64_t> department_ids;
    std::map<std::uint64_t, Role> roles;
    std::vector<std::uint64_t> role_ids;
    std::map<std::uint64_t, RoleView> roleviews;
    std::map<std::uint64_t, Category> categories;
    std::vector<std::uint64_t> category_ids;
    std::map<std::uint64_t, Employee> employees;
    std::vector<std::uint64_t> employee_ids;
    std::map<std::uint64_t, Shift> shifts;
    std::vector<std::uint64_t> shift_ids;
    std::map<std::uint64_t, Status> statuses;
    std::vector<std::uint64_t> status_ids;
    std::map<std::uint64_t, DowntimeReason> downtime_reasons;
    std::vector<std::uint64_t> downtime_reason_ids;

    // Lookups by id. A missing id is reported (one error box) and gives a default record;
    // downtime_reason_at is silent, since most entries have no downtime reason.
    Department department_at(std::uint64_t id) const;
    Role role_at(std::uint64_t id) const;
    Category category_at(std::uint64_t id) const;
    CostCenter cost_center_at(std::uint64_t id) const;
    Process process_at(std::uint64_t id) const;
    Motor motor_at(std::uint64_t id) const;
    Employee employee_at(std::uint64_t id) const;
    Shift shift_at(std::uint64_t id) const;
    Status status_at(std::uint64_t id) const;
    DowntimeReason downtime_reason_at(std::uint64_t id) const;

    // The departments that the role may view, by its role views.
    std::set<std::uint64_t> departments_for_role(std::uint64_t role_id) const;

    // The equipment of one system and the employees of one department, in presentation order,
    // for the editor's lists: indexed on first use (message thread), instead of walking all
    // 5,000 pieces of equipment for every editor that opens.
    const std::vector<const Motor*>& motors_of_process(std::uint64_t process_id) const;
    const std::vector<const Employee*>& employees_of_department(std::uint64_t department_id) const;

    // The maps were filled anew: what was indexed from them is dropped.
    void tables_loaded();
    void clear();

private:
    // Records by the id of their parent. A copy starts empty: its pointers would be into the
    // other store's maps.
    template <typename Record>
    struct ParentIndex
    {
        ParentIndex() = default;
        ParentIndex(const ParentIndex&) {}
        ParentIndex& operator=(const ParentIndex&)
        {
            built = false;
            by_parent.clear();
            return *this;
        }

        bool built = false;
        std::map<std::uint64_t, std::vector<const Record*>> by_parent;
    };

    mutable ParentIndex<Motor> motor_index;
    mutable ParentIndex<Employee> employee_index;
};
