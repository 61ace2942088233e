#include "GC_Department.h"

#include "Log.h"
#include "VekApp.h"

GC_Department::GC_Department(const std::string& caption, EditorComponent* owner_)
    : GroupboxWithCombobox(caption, owner_)
{
}

void GC_Department::populate_for_role()
{
    const VekApplication& app = vek();
    const std::set<std::uint64_t> allowed = app.departments_for_current_role();
    repopulate(named_records(app.department_ids, app.departments,
                             [&allowed](const Department& department) { return allowed.count(department.id) != 0; }),
               false);

    // The lowest id, not the first name of the list.
    if (! allowed.empty())
        select_dbid(*allowed.begin());
    else
        LogLine() << "ERROR: role #" << app.current_role_id << " does not have access to a single department!?";
    select_single_item();
}
