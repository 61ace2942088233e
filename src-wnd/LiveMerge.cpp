#include "LiveMerge.h"

#include "DB.h"
#include "LogLoader.h"
#include "Log.h"
#include "SummarySort.h"

#include <algorithm>
#include <functional>

namespace
{
// How much of the past a time-window code covers: a wider window contains every narrower one.
int reach(int period)
{
    switch (period)
    {
        case 1:
        case 2:
        case 3:
        case 4: return period;
        case 0:
        case 5: return 5;
        default: return 0;
    }
}

bool highest_id_first(const std::vector<SummaryRow>& rows)
{
    return std::is_sorted(rows.begin(), rows.end(), [](const SummaryRow& a, const SummaryRow& b) { return a.id > b.id; });
}

// Changed as the eye sees it: ages are read again anyway.
bool differs(const SummaryRow& old_row, const SummaryRow& new_row)
{
    if (old_row.epoch_updated != new_row.epoch_updated || old_row.hours != new_row.hours
        || old_row.epoch_start != new_row.epoch_start || old_row.epoch_end != new_row.epoch_end)
        return true;
    for (int cell = 1; cell < SummaryRow::cell_count; ++cell)
        if (cell != 4 && cell != 6 && cell != 8 && old_row.cell(cell) != new_row.cell(cell))
            return true;
    return false;
}
} // namespace

void LiveMerge::loaded(const std::vector<SummaryRow>& rows, int loaded_period, const std::string& window_date,
                       bool whole)
{
    period = loaded_period;
    date = window_date;
    complete = whole;
    ordered = Order{1, false};
    newest = 0;
    note_newest(rows);
}

bool LiveMerge::can_merge(int wanted) const
{
    return complete && reach(wanted) > 0 && reach(period) >= reach(wanted);
}

void LiveMerge::note_newest(const std::vector<SummaryRow>& rows)
{
    for (const auto& row : rows)
        newest = std::max(newest, row.epoch_updated);
}

LiveMerge::Outcome LiveMerge::merge(DB& db, std::vector<SummaryRow>& rows, int wanted,
                                    const std::vector<std::uint64_t>& entries, Order order)
{
    LogLoader::Observer quiet;
    LogLoader loader(db, wanted, quiet);
    last_load_time = epoch_now();
    std::vector<SummaryRow> fresh = loader.read_changed(newest > overlap_seconds ? newest - overlap_seconds : 0, entries);
    // The window only ever narrows: to a shorter one, or as its first day moves on.
    std::vector<std::uint64_t> window;
    const bool narrower = wanted != period || loader.window_date != date;
    if (narrower)
        window = loader.window_ids();
    note_newest(fresh);
    period = wanted;
    date = loader.window_date;

    Outcome outcome
        = merge_rows(rows, std::move(fresh), narrower ? &window : nullptr, order, ordered && *ordered == order);
    // By matches they stay in the load's order, for the filter to count them before the sort.
    ordered = order.column == 22 ? Order{1, false} : order;
    LogLine() << "merged changed maintenance logs: " << outcome.changed.size() << " new or changed, "
              << outcome.dropped << " left the window, " << rows.size() << " loaded";
    return outcome;
}

LiveMerge::Outcome LiveMerge::merge_rows(std::vector<SummaryRow>& rows, std::vector<SummaryRow> fresh,
                                         const std::vector<std::uint64_t>* window, Order order, bool in_order)
{
    Outcome outcome;
    if (in_order && order.column != 22)
    {
        fresh = merge_in_place(rows, std::move(fresh), window, order, outcome);
        if (fresh.empty())
            return outcome;
        window = nullptr; // dropped already
    }
    const Outcome rest = merge_by_id(rows, std::move(fresh), window);
    outcome.changed.insert(outcome.changed.end(), rest.changed.begin(), rest.changed.end());
    outcome.dropped += rest.dropped;
    std::sort(outcome.changed.begin(), outcome.changed.end(), std::greater<std::uint64_t>());
    if (order.column != 22)
        sort_summary_rows(rows, order.column, order.forwards);
    return outcome;
}

std::vector<SummaryRow> LiveMerge::merge_in_place(std::vector<SummaryRow>& rows, std::vector<SummaryRow> fresh,
                                                  const std::vector<std::uint64_t>* window, Order order,
                                                  Outcome& outcome)
{
    const auto before = [order](const SummaryRow& a, const SummaryRow& b) {
        return sorts_before(a, b, order.column, order.forwards);
    };
    if (window != nullptr)
    {
        const auto old_size = rows.size();
        rows.erase(std::remove_if(rows.begin(), rows.end(),
                                  [window](const SummaryRow& row) {
                                      return ! std::binary_search(window->begin(), window->end(), row.id,
                                                                  std::greater<std::uint64_t>());
                                  }),
                   rows.end());
        outcome.dropped = old_size - rows.size();
    }
    // A row whose sort key stayed is found where it stands, and changes there; most fresh rows
    // are the overlap read again unchanged.
    std::vector<SummaryRow> moving;
    for (SummaryRow& row : fresh)
    {
        const auto at = std::lower_bound(rows.begin(), rows.end(), row, before);
        if (at == rows.end() || at->id != row.id)
            moving.push_back(std::move(row));
        else if (differs(*at, row))
        {
            outcome.changed.push_back(row.id);
            *at = std::move(row);
        }
    }
    // Each row that moves costs a pass over the rows: many of them are cheaper sorted in at once.
    if (moving.size() > 64)
        return moving;
    for (SummaryRow& row : moving)
    {
        const auto old = std::find_if(rows.begin(), rows.end(), [&row](const SummaryRow& r) { return r.id == row.id; });
        if (old != rows.end())
            rows.erase(old);
        outcome.changed.push_back(row.id);
        rows.insert(std::upper_bound(rows.begin(), rows.end(), row, before), std::move(row));
    }
    std::sort(outcome.changed.begin(), outcome.changed.end(), std::greater<std::uint64_t>());
    return {};
}

LiveMerge::Outcome LiveMerge::merge_by_id(std::vector<SummaryRow>& rows, std::vector<SummaryRow> fresh,
                                          const std::vector<std::uint64_t>* window)
{
    if (! highest_id_first(rows))
        sort_summary_rows(rows, 1, false);
    if (! highest_id_first(fresh))
        sort_summary_rows(fresh, 1, false);

    Outcome outcome;
    std::vector<SummaryRow> merged;
    merged.reserve(rows.size() + fresh.size());
    std::size_t old_index = 0;
    std::size_t fresh_index = 0;
    std::size_t window_index = 0;
    const auto in_window = [&](std::uint64_t id) {
        if (window == nullptr)
            return true;
        while (window_index < window->size() && (*window)[window_index] > id)
            ++window_index;
        return window_index < window->size() && (*window)[window_index] == id;
    };
    while (old_index < rows.size() || fresh_index < fresh.size())
    {
        const bool take_fresh = fresh_index < fresh.size()
                                && (old_index == rows.size() || fresh[fresh_index].id >= rows[old_index].id);
        if (take_fresh)
        {
            SummaryRow& row = fresh[fresh_index++];
            const bool replaces = old_index < rows.size() && rows[old_index].id == row.id;
            if (! replaces || differs(rows[old_index], row))
                outcome.changed.push_back(row.id);
            if (replaces)
                ++old_index;
            merged.push_back(std::move(row));
            continue;
        }
        SummaryRow& row = rows[old_index++];
        if (in_window(row.id))
            merged.push_back(std::move(row));
        else
            ++outcome.dropped;
    }
    rows.swap(merged);
    return outcome;
}
