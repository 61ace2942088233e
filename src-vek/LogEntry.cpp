#include "LogEntry.h"

#include "Hours.h"
#include "LoadWnd.h"
#include "VekApp.h"
#include "ZelString.h"

#include "ShownText.h"

#include <cmath>
#include <sstream>

namespace
{
template <typename T>
T number_or_zero(const pqxx::row& row, int column)
{
    const pqxx::field field = row[column];
    return field.is_null() ? T{} : field.as<T>();
}

std::string text_or_empty(const pqxx::row& row, int column)
{
    const pqxx::field field = row[column];
    return field.is_null() ? std::string() : std::string(field.c_str(), field.size());
}
} // namespace

LogEntry::Columns::Columns(const pqxx::row& row)
    : id(row.column_number("id")), lock_name(row.column_number("lock_name")),
      epoch_lock(row.column_number("epoch_lock")), lock_ip_address(row.column_number("lock_ip_address")),
      display_number(row.column_number("display_number")), motor_id(row.column_number("motor_id")),
      departments_id(row.column_number("departments_id")), shifts_id(row.column_number("shifts_id")),
      epoch_updated(row.column_number("epoch_updated")), epoch_start(row.column_number("epoch_start")),
      epoch_end(row.column_number("epoch_end")), categories_id(row.column_number("categories_id")),
      problem(row.column_number("problem")), action(row.column_number("action")),
      authors_id(row.column_number("authors_id")), status_id(row.column_number("status_id")),
      hours(row.column_number("hours")), downtime_reasons_id(row.column_number("downtime_reasons_id"))
{
}

LogEntry::LogEntry(const pqxx::row& row) : LogEntry(row, Columns(row))
{
}

LogEntry::LogEntry(const pqxx::row& row, const Columns& c)
    : id(number_or_zero<std::uint64_t>(row, c.id)), lock_name(text_or_empty(row, c.lock_name)),
      epoch_lock(number_or_zero<std::int64_t>(row, c.epoch_lock)),
      lock_ip_address(text_or_empty(row, c.lock_ip_address)),
      display_number(number_or_zero<std::uint64_t>(row, c.display_number)),
      motor_id(number_or_zero<std::uint64_t>(row, c.motor_id)),
      departments_id(number_or_zero<std::uint64_t>(row, c.departments_id)),
      shifts_id(number_or_zero<std::uint64_t>(row, c.shifts_id)),
      epoch_updated(number_or_zero<std::int64_t>(row, c.epoch_updated)),
      epoch_start(number_or_zero<std::int64_t>(row, c.epoch_start)),
      epoch_end(number_or_zero<std::int64_t>(row, c.epoch_end)),
      categories_id(number_or_zero<std::uint64_t>(row, c.categories_id)), problem(text_or_empty(row, c.problem)),
      action(text_or_empty(row, c.action)), authors_id(number_or_zero<std::uint64_t>(row, c.authors_id)),
      status_id(number_or_zero<std::uint64_t>(row, c.status_id)), hours(number_or_zero<double>(row, c.hours)),
      downtime_reasons_id(number_or_zero<std::uint64_t>(row, c.downtime_reasons_id))
{
    // A NaN would never equal itself, so an untouched entry would count as changed forever.
    if (! std::isfinite(hours))
        hours = unreadable_hours;
}

bool LogEntry::operator==(const LogEntry& other) const
{
    return id == other.id && display_number == other.display_number && motor_id == other.motor_id
           && departments_id == other.departments_id && shifts_id == other.shifts_id
           && epoch_start == other.epoch_start && epoch_end == other.epoch_end
           && categories_id == other.categories_id && problem == other.problem && action == other.action
           && authors_id == other.authors_id && status_id == other.status_id && hours == other.hours
           && downtime_reasons_id == other.downtime_reasons_id;
}

std::string format_log_number(const std::string& acronym, std::uint64_t display_number, unsigned width)
{
    if (display_number == 0)
        return acronym + "-?";
    std::string number = std::to_string(display_number);
    if (number.size() < width)
        number.insert(0, width - number.size(), '0');
    return acronym + "-" + number;
}

std::string LogEntry::log_number() const
{
    return format_log_number(vek().department_at(departments_id).acronym, display_number, display_number_width);
}

std::string LogEntry::to_string() const
{
    VekApplication& app = vek();
    std::ostringstream dump;
    dump << "log entry id #" << id << ":\n";
    // Each record is looked up once, so that a missing one is reported once, not again at every
    // step of the chain from equipment to cost center.
    const Department department = departments_id != 0 ? app.department_at(departments_id) : Department();
    if (display_number != 0)
        dump << "\tdisplay number=" << display_number << " ["
             << format_log_number(department.acronym, display_number, display_number_width) << "]\n";
    if (motor_id != 0)
    {
        const Motor motor = app.motor_at(motor_id);
        const Process process = motor.process_id != 0 ? app.process_at(motor.process_id) : Process();
        const CostCenter cost_center =
            process.cost_center_id != 0 ? app.cost_center_at(process.cost_center_id) : CostCenter();
        dump << "\t" << motor.describe() << "\n";
        dump << "\t" << process.describe() << "\n";
        dump << "\t" << cost_center.describe() << "\n";
    }
    if (departments_id != 0)
        dump << "\t" << department.describe() << "\n";
    if (shifts_id != 0)
        dump << "\t" << shift().describe() << "\n";
    if (categories_id != 0)
        dump << "\t" << category().describe() << "\n";
    if (authors_id != 0)
        dump << "\t" << author().describe() << "\n";
    if (status_id != 0)
        dump << "\t" << status().describe() << "\n";
    if (downtime_reasons_id != 0)
        dump << "\t" << downtime_reason().describe() << "\n";
    if (hours != 0)
        dump << "\thours: " << hours << " [" << hours_text(hours) << "]\n";
    if (! problem.empty())
        dump << "\tproblem: " << Zel::simplifyWhitespace(ShownText::shortened(problem, longest_listed_text)) << "\n";
    if (! action.empty())
        dump << "\taction: " << Zel::simplifyWhitespace(ShownText::shortened(action, longest_listed_text)) << "\n";
    if (epoch_start != 0)
        dump << "\tstart epoch: " << epoch_start << "\n";
    if (epoch_end != 0)
        dump << "\tend epoch: " << epoch_end << "\n";
    return dump.str();
}

Motor LogEntry::motor() const
{
    return vek().motor_at(motor_id);
}

Process LogEntry::process() const
{
    return vek().process_at(motor().process_id);
}

CostCenter LogEntry::cost_center() const
{
    return vek().cost_center_at(process().cost_center_id);
}

Category LogEntry::category() const
{
    return vek().category_at(categories_id);
}

Employee LogEntry::author() const
{
    return vek().employee_at(authors_id);
}

Shift LogEntry::shift() const
{
    return vek().shift_at(shifts_id);
}

Status LogEntry::status() const
{
    return vek().status_at(status_id);
}

DowntimeReason LogEntry::downtime_reason() const
{
    return vek().downtime_reason_at(downtime_reasons_id);
}
