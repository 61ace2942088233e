#include "SummarySort.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>
#include <utility>

SortKey sort_key_for_column(int column_id)
{
    switch (column_id)
    {
        case 5:
        case 6: return SortKey::epoch_start;
        case 7:
        case 8: return SortKey::epoch_end;
        case 3:
        case 4: return SortKey::epoch_updated;
        case 20: return SortKey::hours;
        case 22: return SortKey::search_count;
        case 1: return SortKey::dbid;
        default: return SortKey::text;
    }
}

std::string sort_key_field_name(SortKey key)
{
    switch (key)
    {
        case SortKey::epoch_start: return "epoch_start";
        case SortKey::epoch_end: return "epoch_end";
        case SortKey::epoch_updated: return "epoch_updated";
        case SortKey::hours: return "hours";
        case SortKey::search_count: return "search_count";
        case SortKey::dbid: return "dbid";
        case SortKey::text: return "text";
    }
    return "text";
}

namespace
{
// Sorts (key, row index) pairs, then moves the rows into that order once: far cheaper than
// swapping whole rows while sorting. Equal keys keep their order, so that sorting by a column
// where every key is the same (or by no column at all) leaves the newest-first load order.
template <typename Key, typename KeyOf>
void sort_by(std::vector<SummaryRow>& rows, bool forwards, KeyOf key_of)
{
    std::vector<std::pair<Key, std::uint32_t>> keys;
    keys.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        keys.emplace_back(key_of(rows[i]), static_cast<std::uint32_t>(i));

    if (forwards)
        std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
            return a.first < b.first || (! (b.first < a.first) && a.second < b.second);
        });
    else
        std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
            return b.first < a.first || (! (a.first < b.first) && a.second < b.second);
        });

    std::vector<SummaryRow> sorted;
    sorted.reserve(rows.size());
    for (const auto& key : keys)
        sorted.push_back(std::move(rows[key.second]));
    rows.swap(sorted);
}

// NaN would break the ordering the sort relies on; it sorts before every number.
double orderable(double value)
{
    return std::isnan(value) ? -std::numeric_limits<double>::infinity() : value;
}
} // namespace

void sort_summary_rows(std::vector<SummaryRow>& rows, int column_id, bool forwards)
{
    switch (sort_key_for_column(column_id))
    {
        case SortKey::epoch_start:
            sort_by<std::int64_t>(rows, forwards, [](const SummaryRow& r) { return r.epoch_start; });
            break;
        case SortKey::epoch_end:
            sort_by<std::int64_t>(rows, forwards, [](const SummaryRow& r) { return r.epoch_end; });
            break;
        case SortKey::epoch_updated:
            sort_by<std::int64_t>(rows, forwards, [](const SummaryRow& r) { return r.epoch_updated; });
            break;
        case SortKey::hours:
            sort_by<double>(rows, forwards, [](const SummaryRow& r) { return orderable(r.hours); });
            break;
        case SortKey::search_count:
            sort_by<std::int64_t>(rows, forwards, [](const SummaryRow& r) { return r.search_count; });
            break;
        case SortKey::dbid:
            sort_by<std::uint64_t>(rows, forwards, [](const SummaryRow& r) { return r.id; });
            break;
        case SortKey::text:
            sort_by<std::string_view>(rows, forwards,
                                      [column_id](const SummaryRow& r) { return r.upper_cell(column_id); });
            break;
    }
}
