#pragma once

#include <string>

namespace Zel
{
class Exception;
}

// The words a user is shown when the server refused something for lack of privilege (SQLSTATE
// 42501): what was refused, such as "Your database login may not change the equipment table."
class PermissionWords
{
public:
    // The words for the exception; empty when it is no permission denial.
    static std::string of(const Zel::Exception& e);

    // The name users know a table by ("equipment" for motors); the table's own name otherwise.
    static std::string table_name(const std::string& table);
};
