#include "ReferenceStore.h"

#include "Log.h"
#include "ZelException.h"

namespace
{
template <typename Record>
Record lookup(const std::map<std::uint64_t, Record>& map, std::uint64_t id, const char* lookup_name,
              const char* message_start)
{
    const auto found = map.find(id);
    if (found != map.end())
        return found->second;

    const Zel::Exception e(std::string("VekApplication::") + lookup_name, "src-vek/VekApp", __LINE__,
                           message_start + std::to_string(id) + " from the database (id does not exist).");
    log_and_show_exception(&e, "src-vek/VekApp", __LINE__);
    return Record();
}
} // namespace

Department ReferenceStore::department_at(std::uint64_t id) const
{
    return lookup(departments, id, "department_at", "Cannot obtain department id #");
}

Role ReferenceStore::role_at(std::uint64_t id) const
{
    return lookup(roles, id, "role_at", "Cannot obtain role id #");
}

Category ReferenceStore::category_at(std::uint64_t id) const
{
    return lookup(categories, id, "category_at", "Cannot obtain category id #");
}

CostCenter ReferenceStore::cost_center_at(std::uint64_t id) const
{
    return lookup(cost_centers, id, "cost_center_at", "Cannot obtain cost center id #");
}

Process ReferenceStore::process_at(std::uint64_t id) const
{
    return lookup(processes, id, "process_at", "Cannot obtain process id #");
}

Motor ReferenceStore::motor_at(std::uint64_t id) const
{
    return lookup(motors, id, "motor_at", "Cannot obtain motor id #");
}

Employee ReferenceStore::employee_at(std::uint64_t id) const
{
    return lookup(employees, id, "employee_at", "Cannot obtain author id #");
}

Shift ReferenceStore::shift_at(std::uint64_t id) const
{
    return lookup(shifts, id, "shift_at", "Cannot obtain shift id #");
}

Status ReferenceStore::status_at(std::uint64_t id) const
{
    return lookup(statuses, id, "status_at", "Cannot obtain status id #");
}

DowntimeReason ReferenceStore::downtime_reason_at(std::uint64_t id) const
{
    const auto found = downtime_reasons.find(id);
    return found == downtime_reasons.end() ? DowntimeReason() : found->second;
}

std::set<std::uint64_t> ReferenceStore::departments_for_role(std::uint64_t role_id) const
{
    std::set<std::uint64_t> result;
    for (const auto& [id, view] : roleviews)
        if (view.roles_id == role_id)
            result.insert(view.departments_id);

    if (result.empty())
        LogLine() << "unusual results: found zero departments for role id #" << role_id;
    return result;
}

namespace
{
template <typename Record, typename Index, typename Parent>
const std::vector<const Record*>& of_parent(Index& index, const std::map<std::uint64_t, Record>& records,
                                            const std::vector<std::uint64_t>& order, std::uint64_t parent_id,
                                            const Parent& parent_of)
{
    if (! index.built)
    {
        for (const auto id : order)
            if (const auto found = records.find(id); found != records.end())
                index.by_parent[parent_of(found->second)].push_back(&found->second);
        index.built = true;
    }
    static const std::vector<const Record*> none;
    const auto found = index.by_parent.find(parent_id);
    return found != index.by_parent.end() ? found->second : none;
}
} // namespace

const std::vector<const Motor*>& ReferenceStore::motors_of_process(std::uint64_t process_id) const
{
    return of_parent(motor_index, motors, motor_ids, process_id, [](const Motor& motor) { return motor.process_id; });
}

const std::vector<const Employee*>& ReferenceStore::employees_of_department(std::uint64_t department_id) const
{
    return of_parent(employee_index, employees, employee_ids, department_id,
                     [](const Employee& employee) { return employee.departments_id; });
}

void ReferenceStore::tables_loaded()
{
    motor_index = {};
    employee_index = {};
}

void ReferenceStore::clear()
{
    *this = ReferenceStore();
}
