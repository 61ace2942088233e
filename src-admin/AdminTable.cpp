#include "AdminTable.h"

#include "DB.h"
#include "History.h"
#include "ZelException.h"
#include "ZelString.h"

AdminTable::AdminTable(DB& database, AdminTableSettings table_settings)
    : settings(std::move(table_settings)), db(database)
{
}

std::string AdminTable::parents_sql() const
{
    return "SELECT * FROM vek." + settings.parent_table + " ORDER BY name";
}

std::string AdminTable::rows_sql(std::uint64_t parent_id) const
{
    std::string sql = "SELECT * FROM vek." + settings.table;
    if (settings.has_parent())
        sql += " WHERE " + settings.parent_table + "_id=" + std::to_string(parent_id);
    return sql + " ORDER BY " + settings.order_by;
}

std::string AdminTable::insert_sql(const std::string& escaped_first, const std::string& escaped_second,
                                   std::uint64_t parent_id) const
{
    std::string columns = settings.first_field;
    std::string values = "'" + escaped_first + "'";
    if (settings.has_second_field())
    {
        columns += ", " + settings.second_field;
        values += ", '" + escaped_second + "'";
    }
    // The link column and its value go together, so that the lists always match.
    if (settings.has_parent() && parent_id != 0)
    {
        columns += ", " + settings.parent_table + "_id";
        values += ", " + std::to_string(parent_id);
    }
    for (const auto& [column, value] : insert_constants)
    {
        columns += ", " + column;
        values += ", " + value;
    }
    return "INSERT INTO vek." + settings.table + " (" + columns + ") VALUES (" + values + ")";
}

std::string AdminTable::update_sql(const std::string& column, const std::string& escaped_text,
                                   const std::string& id) const
{
    return "UPDATE vek." + settings.table + " SET " + column + "='" + escaped_text + "' WHERE id=" + id;
}

std::string AdminTable::active_sql(const std::string& id, bool active) const
{
    return "UPDATE vek." + settings.table + " SET active=" + (active ? "TRUE" : "FALSE") + " WHERE id=" + id;
}

bool AdminTable::may_add(const std::string& first, const std::string& second, std::uint64_t parent_id) const
{
    return ! first.empty() && (! settings.has_second_field() || ! second.empty())
           && (! settings.has_parent() || parent_id != 0);
}

int AdminTable::size() const
{
    return static_cast<int>(rows.size());
}

std::string AdminTable::text(int row, const std::string& column) const
{
    if (row < 0 || row >= size())
        return {};
    const pqxx::field field = rows[static_cast<pqxx::result::size_type>(row)][column];
    return field.is_null() ? std::string() : std::string(field.c_str(), field.size());
}

bool AdminTable::flag(int row, const std::string& column) const
{
    if (row < 0 || row >= size())
        return false;
    return rows[static_cast<pqxx::result::size_type>(row)][column].as<bool>();
}

void AdminTable::refresh(std::uint64_t parent_id)
{
    pqxx::result fresh = db.exec_nt(rows_sql(parent_id), "");
    check_rows(fresh);
    rows = std::move(fresh);
}

void AdminTable::check_rows(const pqxx::result& result) const
{
    if (boolean_column.empty())
        return;
    for (const auto& row : result)
        if (row[boolean_column].is_null())
            throw Zel::Exception("AdminTable::check_rows", "src-admin/AdminTable", __LINE__,
                                 "vek." + settings.table + " id #" + row["id"].c_str() + " has no value in its "
                                     + boolean_column + " column");
}

bool AdminTable::add(const std::string& first, const std::string& second, std::uint64_t parent_id)
{
    return write([&] { return insert_sql(db.esc(first), db.esc(second), parent_id); },
                 "created new " + settings.table + " entry with \"" + first + "\", \"" + second + "\"",
                 "failed to create a new entry in the table " + settings.table);
}

bool AdminTable::change_cell(const std::string& id, const std::string& column, const std::string& old_text,
                             const std::string& typed)
{
    const std::string new_text = Zel::trim(typed);
    if (new_text.empty() || new_text == old_text)
        return false;
    return write([&] { return update_sql(column, db.esc(new_text), id); },
                 settings.table + " id #" + id + " " + column + " was updated from \"" + old_text + "\" to \""
                     + new_text + "\"",
                 "failed to update id #" + id + " in the table " + settings.table);
}

bool AdminTable::set_active(const std::string& id, const std::string& first, const std::string& last, bool active)
{
    return write([&] { return active_sql(id, active); },
                 settings.table + " id #" + id + " (" + first + " " + last + ") employee "
                     + (active ? "enabled" : "disabled"),
                 "failed to update id #" + id + " in the table " + settings.table);
}

bool AdminTable::write(const std::function<std::string()>& sql, const std::string& done, const std::string& failed)
{
    try
    {
        db.exec_nt(sql(), "");
        add_history_event(HistoryEvent::admin, 0, done);
        return true;
    }
    catch (...)
    {
        add_history_event(HistoryEvent::problem, 0, failed);
        return false;
    }
}
