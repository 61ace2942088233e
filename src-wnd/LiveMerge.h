#pragma once

#include "SummaryRow.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class DB;

// Brings loaded summary rows up to date without reading them all again: reads the entries of the
// window changed since the newest change it knows (with an overlap, for saves committed in the
// same seconds) through the loading thread's statements and row building, replaces or inserts
// them by id and drops what has left the window. The result is what a full load of the window
// would give now, sorted by the table's column as the table sorts a load.
class LiveMerge
{
public:
    // Seconds read again before the newest known change: a save's time is when its statement
    // began, and its commit, or its display number, may come a little later.
    static constexpr std::int64_t overlap_seconds = 10;

    struct Outcome
    {
        // Entries new to the rows or changed since they were read, highest id first.
        std::vector<std::uint64_t> changed;
        std::size_t dropped = 0;
    };

    // After a full load of a time-window code: its rows, the date that began its window and
    // whether it read the whole window.
    void loaded(const std::vector<SummaryRow>& rows, int period, const std::string& window_date, bool complete);

    // Whether the rows hold all of a window that contains the one of `period`.
    bool can_merge(int period) const;

    // How the rows are to be ordered: by a column of the table (its sort, from the load's order).
    // By the matches column (22) they end in the load's order, highest id first, for the filter
    // to count the matches before the sort.
    struct Order
    {
        int column = 1;
        bool forwards = false;
        bool operator==(const Order& other) const { return column == other.column && forwards == other.forwards; }
    };

    // The rows were sorted by a column from the load's order, so that the fresh rows of the next
    // merge can be sorted in where they belong; or they were sorted otherwise (from another
    // column's order, whose ties they keep), and the next merge orders them anew.
    void sorted_from_load(Order order) { ordered = order; }
    void sorted_otherwise() { ordered.reset(); }

    // Reads what changed (and the listed entries) and merges it into the rows for `period`; moves
    // the update poll's last-load time as a load does. A failure of the statements is thrown on.
    Outcome merge(DB& db, std::vector<SummaryRow>& rows, int period, const std::vector<std::uint64_t>& entries,
                  Order order);

    // The merge itself: `fresh` replaces or joins the rows; with `window` (ids, highest first) rows
    // whose id is not in it are dropped. Rows `in_order` take the few fresh ones where they
    // belong; others are ordered again.
    static Outcome merge_rows(std::vector<SummaryRow>& rows, std::vector<SummaryRow> fresh,
                              const std::vector<std::uint64_t>* window, Order order, bool in_order);

    std::int64_t newest_change() const { return newest; }

private:
    std::int64_t newest = 0;
    int period = 0;
    std::string date;
    bool complete = false;
    std::optional<Order> ordered;

    void note_newest(const std::vector<SummaryRow>& rows);
    static Outcome merge_by_id(std::vector<SummaryRow>& rows, std::vector<SummaryRow> fresh,
                               const std::vector<std::uint64_t>* window);
    // Sorts the fresh rows in where they belong; gives back those left to merge_by_id when too
    // many would move.
    static std::vector<SummaryRow> merge_in_place(std::vector<SummaryRow>& rows, std::vector<SummaryRow> fresh,
                                                  const std::vector<std::uint64_t>* window, Order order,
                                                  Outcome& outcome);
};
