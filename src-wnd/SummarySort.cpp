#include "SummarySort.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>
#include <type_traits>
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
// Moves the rows into the order of the sorted (key, row index) pairs: far cheaper than swapping
// whole rows while sorting.
template <typename Key>
void reorder(std::vector<SummaryRow>& rows, const std::vector<std::pair<Key, std::uint32_t>>& keys)
{
    std::vector<SummaryRow> sorted;
    sorted.reserve(rows.size());
    for (const auto& key : keys)
        sorted.push_back(std::move(rows[key.second]));
    rows.swap(sorted);
}

// Numeric keys. Pairs compare by key, then by row index, so equal keys keep their order (sorting
// by a column where every key is the same leaves the newest-first load order). Descending order
// sorts the keys turned around, so that the plain pair comparison serves both directions.
template <typename Key, typename KeyOf>
void sort_by_number(std::vector<SummaryRow>& rows, bool forwards, KeyOf key_of)
{
    std::vector<std::pair<Key, std::uint32_t>> keys;
    keys.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
    {
        const Key key = key_of(rows[i]);
        Key turned;
        if constexpr (std::is_floating_point_v<Key>)
            turned = -key;
        else
            turned = ~key; // reverses the order of every value, without overflow
        keys.emplace_back(forwards ? key : turned, static_cast<std::uint32_t>(i));
    }
    std::sort(keys.begin(), keys.end());
    reorder(rows, keys);
}

// Upper-case texts; their bytes live apart from the rows, so they are fetched a few rows ahead.
void sort_by_text(std::vector<SummaryRow>& rows, int column_id, bool forwards)
{
    std::vector<std::pair<std::string_view, std::uint32_t>> keys;
    keys.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
    {
        if (i + 16 < rows.size())
            rows[i + 16].prefetch();
        if (i + 8 < rows.size())
            rows[i + 8].prefetch_upper_cell(column_id);
        keys.emplace_back(rows[i].upper_cell(column_id), static_cast<std::uint32_t>(i));
    }
    if (forwards)
        std::sort(keys.begin(), keys.end());
    else
        std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
            return b.first < a.first || (a.first == b.first && a.second < b.second);
        });
    reorder(rows, keys);
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
            sort_by_number<std::int64_t>(rows, forwards, [](const SummaryRow& r) { return r.epoch_start; });
            break;
        case SortKey::epoch_end:
            sort_by_number<std::int64_t>(rows, forwards, [](const SummaryRow& r) { return r.epoch_end; });
            break;
        case SortKey::epoch_updated:
            sort_by_number<std::int64_t>(rows, forwards, [](const SummaryRow& r) { return r.epoch_updated; });
            break;
        case SortKey::hours:
            sort_by_number<double>(rows, forwards, [](const SummaryRow& r) { return orderable(r.hours); });
            break;
        case SortKey::search_count:
            sort_by_number<std::int64_t>(rows, forwards, [](const SummaryRow& r) { return r.search_count; });
            break;
        case SortKey::dbid:
            sort_by_number<std::uint64_t>(rows, forwards, [](const SummaryRow& r) { return r.id; });
            break;
        case SortKey::text:
            sort_by_text(rows, column_id, forwards);
            break;
    }
}
