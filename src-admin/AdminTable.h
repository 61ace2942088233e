#pragma once

#include <pqxx/pqxx>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class DB;

// The five settings with which a reference-table editor is built.
struct AdminTableSettings
{
    std::string table;         // in schema vek
    std::string first_field;   // never empty
    std::string second_field;  // empty when the table has one text column
    std::string parent_table;  // empty when rows belong to no parent; else rows link by parent_table + "_id"
    std::string order_by;

    bool has_second_field() const { return ! second_field.empty(); }
    bool has_parent() const { return ! parent_table.empty(); }
};

// The rows of one reference table and the changes an administrator makes to it: each change is
// one autocommitted statement and one history event. Works on the database only.
class AdminTable
{
public:
    AdminTable(DB& db, AdminTableSettings settings);

    const AdminTableSettings settings;

    // Columns written with a fixed value by every insert, after the typed texts, so that a site
    // whose table lacks the column's default still gets a value the client can read.
    std::vector<std::pair<std::string, std::string>> insert_constants;

    // A boolean column that no row may hold as NULL; checked when the rows are read, so that
    // painting and scrolling never meet a value they cannot show.
    std::string boolean_column;

    // The rows of the last refresh.
    pqxx::result rows;

    std::string parents_sql() const;
    std::string rows_sql(std::uint64_t parent_id) const;
    std::string insert_sql(const std::string& escaped_first, const std::string& escaped_second,
                           std::uint64_t parent_id) const;
    std::string update_sql(const std::string& column, const std::string& escaped_text, const std::string& id) const;
    std::string active_sql(const std::string& id, bool active) const;

    // Whether trimmed texts make a new row: the first text, the second where the table has one,
    // and a chosen parent where rows belong to one.
    bool may_add(const std::string& first, const std::string& second, std::uint64_t parent_id) const;

    int size() const;
    // A cell's text as the server gives it; empty for NULL and for a row that is not there.
    std::string text(int row, const std::string& column) const;
    // A boolean cell; false for a row that is not there.
    bool flag(int row, const std::string& column) const;

    // Reads the rows (of the parent, where there is one) in the table's order.
    void refresh(std::uint64_t parent_id);

    // Throws when a row holds NULL in the boolean column.
    void check_rows(const pqxx::result& result) const;

    // Each returns whether something was written. A failure has been reported by the query
    // layer and is recorded here as a "problem" event.
    bool add(const std::string& first, const std::string& second, std::uint64_t parent_id);
    // `old_text` is the cell's text when editing began; an empty or unchanged text writes nothing.
    bool change_cell(const std::string& id, const std::string& column, const std::string& old_text,
                     const std::string& typed);
    bool set_active(const std::string& id, const std::string& first, const std::string& last, bool active);

private:
    // Runs the statement and records `done` as an "admin" event, or `failed` as a "problem".
    bool write(const std::function<std::string()>& sql, const std::string& done, const std::string& failed);

    DB& db;
};
