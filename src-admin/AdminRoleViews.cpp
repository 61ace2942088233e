#include "AdminRoleViews.h"

#include "DB.h"
#include "History.h"

AdminRoleViews::AdminRoleViews(DB& database) : db(database)
{
}

std::string AdminRoleViews::views_sql(std::int64_t role_id)
{
    return "SELECT * FROM vek.roleviews WHERE roles_id=" + std::to_string(role_id);
}

std::string AdminRoleViews::insert_sql(std::int64_t role_id, std::uint64_t department_id)
{
    return "INSERT INTO vek.roleviews (roles_id, departments_id) VALUES (" + std::to_string(role_id) + ", "
           + std::to_string(department_id) + ")";
}

std::string AdminRoleViews::delete_sql(std::int64_t role_id, std::uint64_t department_id)
{
    return "DELETE from vek.roleviews WHERE roles_id=" + std::to_string(role_id)
           + " AND departments_id=" + std::to_string(department_id);
}

std::set<std::uint64_t> AdminRoleViews::departments_of(std::int64_t role_id)
{
    std::set<std::uint64_t> departments;
    for (const auto& row : db.exec_nt(views_sql(role_id), ""))
        departments.insert(row["departments_id"].as<std::uint64_t>());
    return departments;
}

bool AdminRoleViews::set_view(std::int64_t role_id, std::uint64_t department_id, bool granted,
                              const std::string& role_name, const std::string& department_name)
{
    try
    {
        if (granted)
        {
            db.exec_nt(insert_sql(role_id, department_id), "");
            add_history_event(HistoryEvent::admin, 0,
                              "added view \"" + department_name + "\" to role \"" + role_name + "\"");
        }
        else
        {
            db.exec_nt(delete_sql(role_id, department_id), "");
            add_history_event(HistoryEvent::admin, 0,
                              "removed view \"" + department_name + "\" from role \"" + role_name + "\"");
        }
        return true;
    }
    catch (...)
    {
        add_history_event(HistoryEvent::problem, 0,
                          "failed update the role-view for \"" + role_name + "\" -> \"" + department_name + "\"");
        return false;
    }
}
