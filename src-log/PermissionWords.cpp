#include "PermissionWords.h"

#include "ZelException.h"
#include "ZelString.h"

#include <cctype>
#include <map>

std::string PermissionWords::table_name(const std::string& table)
{
    static const std::map<std::string, std::string> names{
        {"categories", "categories"},   {"cost_center", "cost centers"},     {"departments", "departments"},
        {"downtime_reasons", "downtime reasons"}, {"employees", "employees"}, {"motors", "equipment"},
        {"process", "systems"},         {"roles", "roles"},                  {"roleviews", "role views"},
        {"shifts", "shifts"},           {"status", "status"},                {"logs", "log entries"},
        {"all_logs", "log entries"},    {"client_history", "client history"}, {"login_roles", "login roles"}};
    const auto found = names.find(table);
    return found != names.end() ? found->second : table;
}

std::string PermissionWords::of(const Zel::Exception& e)
{
    if (e.sqlstate != "42501")
        return "";
    const std::string text = e.text;
    if (text.find("row-level security") != std::string::npos)
        return "Your database login may not write log entries of that department.";

    const std::string marker = "permission denied for table ";
    const auto at = text.find(marker);
    if (at == std::string::npos)
        return "Your database login may not do this: " + Zel::trim(text.substr(text.find(':') + 1));
    std::string table;
    for (auto i = at + marker.size(); i < text.size() && ! std::isspace(static_cast<unsigned char>(text[i])); ++i)
        table += text[i];

    const std::string statement = Zel::toUpper(e.sql.substr(0, 6));
    const char* verb = statement == "SELECT" ? "read" : "change";
    return "Your database login may not " + std::string(verb) + " the " + table_name(table) + " table.";
}
