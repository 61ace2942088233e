#pragma once

#include "ReferenceRecords.h"

#include <pqxx/pqxx>

#include <cstdint>
#include <string>

// One maintenance log entry as read from vek.all_logs. Every column may be null; a null leaves
// the field at its default.
class LogEntry
{
public:
    // Column numbers of vek.all_logs, found once per result instead of once per field.
    struct Columns
    {
        int id, lock_name, epoch_lock, lock_ip_address, display_number, motor_id, departments_id, shifts_id,
            epoch_updated, epoch_start, epoch_end, categories_id, problem, action, authors_id, status_id, hours,
            downtime_reasons_id;

        explicit Columns(const pqxx::row& row);
    };

    std::uint64_t id = 0;
    std::string lock_name;
    std::int64_t epoch_lock = 0;
    std::string lock_ip_address;
    std::uint64_t display_number = 0;
    std::uint64_t motor_id = 0;
    std::uint64_t departments_id = 0;
    std::uint64_t shifts_id = 0;
    std::int64_t epoch_updated = 0;
    std::int64_t epoch_start = 0;
    std::int64_t epoch_end = 0;
    std::uint64_t categories_id = 0;
    std::string problem;
    std::string action;
    std::uint64_t authors_id = 0;
    std::uint64_t status_id = 0;
    double hours = 0.0;
    std::uint64_t downtime_reasons_id = 0;

    // The hours of a row whose value is no number of hours (NaN, infinite): invalid, as a negative
    // value is, so that the editor marks its time field and saves nothing until it is fixed.
    static constexpr double unreadable_hours = -1.0;
    // The longest problem or action text a log dump or a table cell holds.
    static constexpr std::size_t longest_listed_text = 4096;

    LogEntry() = default;
    explicit LogEntry(const pqxx::row& row);
    LogEntry(const pqxx::row& row, const Columns& columns);

    // Equal in everything but the lock fields and the update time.
    bool operator==(const LogEntry& other) const;
    bool operator!=(const LogEntry& other) const { return ! (*this == other); }

    // The department's acronym, "-" and the zero-padded display number ("?" without one).
    std::string log_number() const;

    // The multi-line dump for the log.
    std::string to_string() const;

    Motor motor() const;
    Process process() const;
    CostCenter cost_center() const;
    Category category() const;
    Employee author() const;
    Shift shift() const;
    Status status() const;
    DowntimeReason downtime_reason() const;
};

// The log number for a department acronym, a display number and a width.
std::string format_log_number(const std::string& acronym, std::uint64_t display_number, unsigned width);
