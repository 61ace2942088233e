#include "LoginRights.h"

#include "DB.h"
#include "VekApp.h"

namespace
{
// Every privilege must be held: has_table_privilege with a list answers whether any one is.
const char* const privileges_sql = "SELECT to_regclass('vek.permitted_roles') IS NOT NULL AS restricted, bool_and(has_table_privilege('vek.' || "
      "t, p)) AND has_table_privilege('vek.roleviews', 'INSERT') AND has_table_privilege('vek.roleviews', 'DELETE') "
      "AS administer FROM unnest(ARRAY['categories', 'cost_center', 'departments', 'downtime_reasons', 'employees', "
      "'motors', 'process', 'roles', 'shifts', 'status']) AS t, unnest(ARRAY['INSERT', 'UPDATE']) AS p";
} // namespace

LoginRights LoginRights::read(DB& db)
{
    LoginRights rights;
    const pqxx::result privileges = db.exec_nt(privileges_sql, "privileges of the database login");
    rights.administer = privileges.at(0)["administer"].as<bool>();
    if (privileges.at(0)["restricted"].as<bool>())
    {
        rights.permitted_roles.emplace();
        for (const auto& row : db.exec_nt("SELECT roles_id FROM vek.permitted_roles", "roles the login may take"))
            rights.permitted_roles->insert(row[0].as<std::uint64_t>());
    }
    return rights;
}

LoginRights LoginRights::of_running_application()
{
    DB* db = VekApplication::database_if_any();
    return db != nullptr ? read(*db) : LoginRights();
}

bool LoginRights::may_take(std::uint64_t role_id) const
{
    return ! permitted_roles || permitted_roles->count(role_id) != 0;
}

std::vector<std::uint64_t> LoginRights::takeable(const std::vector<std::uint64_t>& role_ids) const
{
    std::vector<std::uint64_t> result;
    for (const auto id : role_ids)
        if (may_take(id))
            result.push_back(id);
    return result;
}
