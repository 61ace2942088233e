#include "SummarySort.h"

#include <algorithm>
#include <array>
#include <cstring>
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

// A number as an unsigned integer with the same order, so that every numeric column sorts the
// same way.
std::uint64_t ordered_bits(std::int64_t value)
{
    return static_cast<std::uint64_t>(value) ^ (std::uint64_t{1} << 63);
}

std::uint64_t ordered_bits(std::uint64_t value)
{
    return value;
}

std::uint64_t ordered_bits(double value)
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    // Negative numbers have every bit turned, positive ones only the sign bit.
    return (bits >> 63) != 0 ? ~bits : bits ^ (std::uint64_t{1} << 63);
}

// Numeric keys, sorted a byte at a time from the lowest (a radix sort): a fixed few passes over
// the keys instead of comparisons, and stable, so equal keys keep their order (sorting by a
// column where every key is the same leaves the newest-first load order). Descending order sorts
// the keys turned around. Bytes that every key shares are skipped: times differ only in their
// lower bytes.
template <typename KeyOf>
void sort_by_number(std::vector<SummaryRow>& rows, bool forwards, KeyOf key_of)
{
    using Pair = std::pair<std::uint64_t, std::uint32_t>;
    std::vector<Pair> keys;
    keys.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
    {
        const std::uint64_t bits = ordered_bits(key_of(rows[i]));
        keys.emplace_back(forwards ? bits : ~bits, static_cast<std::uint32_t>(i));
    }

    std::vector<Pair> other(keys.size());
    for (int shift = 0; shift < 64; shift += 8)
    {
        std::array<std::size_t, 257> positions{};
        for (const auto& key : keys)
            ++positions[((key.first >> shift) & 0xff) + 1];
        if (std::find(positions.begin(), positions.end(), keys.size()) != positions.end())
            continue; // every key has the same byte here
        for (std::size_t digit = 1; digit < positions.size(); ++digit)
            positions[digit] += positions[digit - 1];
        for (const auto& key : keys)
            other[positions[(key.first >> shift) & 0xff]++] = key;
        keys.swap(other);
    }
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
            sort_by_number(rows, forwards, [](const SummaryRow& r) { return r.epoch_start; });
            break;
        case SortKey::epoch_end:
            sort_by_number(rows, forwards, [](const SummaryRow& r) { return r.epoch_end; });
            break;
        case SortKey::epoch_updated:
            sort_by_number(rows, forwards, [](const SummaryRow& r) { return r.epoch_updated; });
            break;
        case SortKey::hours:
            sort_by_number(rows, forwards, [](const SummaryRow& r) { return orderable(r.hours); });
            break;
        case SortKey::search_count:
            sort_by_number(rows, forwards, [](const SummaryRow& r) { return r.search_count; });
            break;
        case SortKey::dbid:
            sort_by_number(rows, forwards, [](const SummaryRow& r) { return r.id; });
            break;
        case SortKey::text:
            sort_by_text(rows, column_id, forwards);
            break;
    }
}

bool sorts_before(const SummaryRow& a, const SummaryRow& b, int column_id, bool forwards)
{
    const auto by = [&](auto key_a, auto key_b) {
        if (key_a != key_b)
            return forwards ? key_a < key_b : key_b < key_a;
        return a.id > b.id;
    };
    switch (sort_key_for_column(column_id))
    {
        case SortKey::epoch_start: return by(a.epoch_start, b.epoch_start);
        case SortKey::epoch_end: return by(a.epoch_end, b.epoch_end);
        case SortKey::epoch_updated: return by(a.epoch_updated, b.epoch_updated);
        case SortKey::hours: return by(ordered_bits(orderable(a.hours)), ordered_bits(orderable(b.hours)));
        case SortKey::search_count: return by(a.search_count, b.search_count);
        case SortKey::dbid: return by(a.id, b.id);
        case SortKey::text: return by(a.upper_cell(column_id), b.upper_cell(column_id));
    }
    return false;
}
