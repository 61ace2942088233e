#pragma once

#include "SummaryRow.h"

#include <string>
#include <vector>

// How the summary table sorts by a column: the time, age and hours columns by the numbers each
// row keeps, the id by its value, every other column by its upper-case text.
enum class SortKey
{
    epoch_start,
    epoch_end,
    epoch_updated,
    hours,
    search_count,
    dbid,
    text
};

SortKey sort_key_for_column(int column_id);

// The field name that the sort's log line gives for a numeric key ("epoch_start", "dbid", ...).
std::string sort_key_field_name(SortKey key);

// Sorts the rows by the column, ascending when `forwards`. Rows with equal keys keep their order.
void sort_summary_rows(std::vector<SummaryRow>& rows, int column_id, bool forwards);

// Whether `a` stands before `b` in rows sorted by the column from the load's order (highest id
// first): by the column's key, and between equal keys the higher id first.
bool sorts_before(const SummaryRow& a, const SummaryRow& b, int column_id, bool forwards);
