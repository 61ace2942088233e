#pragma once

#include <pqxx/pqxx>

#include <cstdint>
#include <string>

// The eleven kinds of reference records that log entries refer to by id. Each is built from one
// row of its relation (columns read by name) and describes itself in one line for the log.
// A default-constructed record is what a failed lookup returns.

struct Department
{
    std::uint64_t id = 0;
    std::string name;
    std::string acronym;

    Department() = default;
    explicit Department(const pqxx::row& row);
    std::string describe() const;
};

struct Role
{
    std::uint64_t id = 0;
    std::string name;

    Role() = default;
    explicit Role(const pqxx::row& row);
    std::string describe() const;
};

struct RoleView
{
    std::uint64_t id = 0;
    std::uint64_t roles_id = 0;
    std::uint64_t departments_id = 0;

    RoleView() = default;
    explicit RoleView(const pqxx::row& row);
    std::string describe() const;
};

struct Category
{
    std::uint64_t id = 0;
    std::string name;
    std::uint64_t departments_id = 0;

    Category() = default;
    explicit Category(const pqxx::row& row);
    std::string describe() const;
};

struct CostCenter
{
    std::uint64_t id = 0;
    std::string name;

    CostCenter() = default;
    explicit CostCenter(const pqxx::row& row);
    std::string describe() const;
};

// Shown to users as "System".
struct Process
{
    std::uint64_t id = 0;
    std::string name;
    std::uint64_t cost_center_id = 0;

    Process() = default;
    explicit Process(const pqxx::row& row);
    std::string describe() const;
};

// Shown to users as "Equipment".
struct Motor
{
    std::uint64_t id = 0;
    std::string mid;
    std::string description;
    std::uint64_t process_id = 0;

    Motor() = default;
    explicit Motor(const pqxx::row& row);
    std::string describe() const;

    // The cost center of the motor's process.
    CostCenter cost_center() const;
};

struct Employee
{
    std::uint64_t id = 0;
    std::string full_name1;
    std::string full_name2;
    std::string first_name;
    std::string last_name;
    bool active = false;
    std::uint64_t departments_id = 0;

    Employee() = default;
    explicit Employee(const pqxx::row& row);
    std::string describe() const;
};

struct Shift
{
    std::uint64_t id = 0;
    std::string name;

    Shift() = default;
    explicit Shift(const pqxx::row& row);
    std::string describe() const;
};

struct Status
{
    std::uint64_t id = 0;
    std::string name;

    Status() = default;
    explicit Status(const pqxx::row& row);
    std::string describe() const;
};

struct DowntimeReason
{
    std::uint64_t id = 0;
    std::string name;
    std::uint64_t departments_id = 0;

    DowntimeReason() = default;
    explicit DowntimeReason(const pqxx::row& row);
    std::string describe() const;
};
