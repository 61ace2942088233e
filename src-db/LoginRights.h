#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

class DB;

// What the server lets this database login do, as far as the windows need to know. On a site
// without server-side security (no vek.permitted_roles) every role may be taken; administration
// needs the privileges its editors write with, which the schema's owner always has.
class LoginRights
{
public:
    // Asks the server, through logged queries.
    static LoginRights read(DB& db);
    // The rights of the running application's login; everything when it has no database.
    static LoginRights of_running_application();

    bool may_take(std::uint64_t role_id) const;
    // The roles of the list that the login may take, in the list's order.
    std::vector<std::uint64_t> takeable(const std::vector<std::uint64_t>& role_ids) const;
    bool may_administer() const { return administer; }

private:
    bool administer = true;
    // Only on a site that restricts roles.
    std::optional<std::set<std::uint64_t>> permitted_roles;
};
