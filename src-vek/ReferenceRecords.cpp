#include "ReferenceRecords.h"

#include "VekApp.h"

namespace
{
// Ids, names, acronyms and the like must be present: a null raises libpqxx's conversion error.
std::uint64_t required_id(const pqxx::row& row, const char* column)
{
    return row[column].as<std::uint64_t>();
}

std::string required_text(const pqxx::row& row, const char* column)
{
    return row[column].as<std::string>();
}

std::string optional_text(const pqxx::row& row, const char* column)
{
    const pqxx::field field = row[column];
    return field.is_null() ? std::string() : std::string(field.c_str(), field.size());
}

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}
} // namespace

Department::Department(const pqxx::row& row)
    : id(required_id(row, "id")), name(required_text(row, "name")), acronym(required_text(row, "acronym"))
{
}

std::string Department::describe() const
{
    return "department #" + std::to_string(id) + "=" + quoted(name) + " (" + acronym + ")";
}

Role::Role(const pqxx::row& row) : id(required_id(row, "id")), name(required_text(row, "name"))
{
}

std::string Role::describe() const
{
    return "role #" + std::to_string(id) + "=" + quoted(name);
}

RoleView::RoleView(const pqxx::row& row)
    : id(required_id(row, "id")), roles_id(required_id(row, "roles_id")),
      departments_id(required_id(row, "departments_id"))
{
}

std::string RoleView::describe() const
{
    return "roleview #" + std::to_string(id) + ": role=" + std::to_string(roles_id)
           + " -> department=" + std::to_string(departments_id);
}

Category::Category(const pqxx::row& row)
    : id(required_id(row, "id")), name(required_text(row, "name")), departments_id(required_id(row, "departments_id"))
{
}

std::string Category::describe() const
{
    return "category #" + std::to_string(id) + "=" + quoted(name) + ", in department #"
           + std::to_string(departments_id);
}

CostCenter::CostCenter(const pqxx::row& row) : id(required_id(row, "id")), name(required_text(row, "name"))
{
}

std::string CostCenter::describe() const
{
    return "cost center #" + std::to_string(id) + "=" + quoted(name);
}

Process::Process(const pqxx::row& row)
    : id(required_id(row, "id")), name(required_text(row, "name")), cost_center_id(required_id(row, "cost_center_id"))
{
}

std::string Process::describe() const
{
    return "process #" + std::to_string(id) + "=" + quoted(name) + ", in cost center #"
           + std::to_string(cost_center_id);
}

Motor::Motor(const pqxx::row& row)
    : id(required_id(row, "id")), mid(required_text(row, "mid")), description(required_text(row, "description")),
      process_id(required_id(row, "process_id"))
{
}

std::string Motor::describe() const
{
    return "motor #" + std::to_string(id) + "=" + mid + " [" + description + "], in process #"
           + std::to_string(process_id);
}

CostCenter Motor::cost_center() const
{
    VekApplication& app = vek();
    return app.cost_center_at(app.process_at(process_id).cost_center_id);
}

Employee::Employee(const pqxx::row& row)
    : id(required_id(row, "id")), full_name1(optional_text(row, "full_name1")),
      full_name2(optional_text(row, "full_name2")), first_name(optional_text(row, "first_name")),
      last_name(optional_text(row, "last_name")), active(row["active"].as<bool>()),
      departments_id(required_id(row, "departments_id"))
{
}

std::string Employee::describe() const
{
    return "employee #" + std::to_string(id) + "=" + quoted(full_name1) + (active ? "" : " [INACTIVE]")
           + ", in department #" + std::to_string(departments_id);
}

Shift::Shift(const pqxx::row& row) : id(required_id(row, "id")), name(required_text(row, "name"))
{
}

std::string Shift::describe() const
{
    return "shift #" + std::to_string(id) + "=" + quoted(name);
}

Status::Status(const pqxx::row& row) : id(required_id(row, "id")), name(required_text(row, "name"))
{
}

std::string Status::describe() const
{
    return "status #" + std::to_string(id) + "=" + quoted(name);
}

DowntimeReason::DowntimeReason(const pqxx::row& row)
    : id(required_id(row, "id")), name(required_text(row, "name")), departments_id(required_id(row, "departments_id"))
{
}

std::string DowntimeReason::describe() const
{
    return "downtime reason #" + std::to_string(id) + "=" + quoted(name) + ", in department #"
           + std::to_string(departments_id);
}
