#pragma once

#include <cstdint>
#include <set>
#include <string>

class DB;

// Which departments a role may view: the rows of vek.roleviews, read and changed one statement
// and one history event at a time. Works on the database only.
class AdminRoleViews
{
public:
    explicit AdminRoleViews(DB& db);

    static std::string views_sql(std::int64_t role_id);
    static std::string insert_sql(std::int64_t role_id, std::uint64_t department_id);
    static std::string delete_sql(std::int64_t role_id, std::uint64_t department_id);

    // The departments of the role's views.
    std::set<std::uint64_t> departments_of(std::int64_t role_id);

    // Grants or withdraws the view and records it; a failure has been reported by the query
    // layer and is recorded as a "problem" event. Returns whether it was written.
    bool set_view(std::int64_t role_id, std::uint64_t department_id, bool granted, const std::string& role_name,
                  const std::string& department_name);

private:
    DB& db;
};
