#include "LiveUpdates.h"

#include "DB.h"
#include "ShiftLogSummaryComponent.h"
#include "VekApp.h"

#include <algorithm>

LiveUpdates::LiveUpdates(ShiftLogSummaryComponent& owner) : summary(owner)
{
    startTimer(interval_ms);
}

LiveUpdates::~LiveUpdates()
{
    stopTimer();
}

void LiveUpdates::mark(const std::vector<std::uint64_t>& ids)
{
    const juce::uint32 until = juce::Time::getMillisecondCounter() + mark_ms;
    for (const auto id : ids)
        marks[id] = until;
}

bool LiveUpdates::marked(std::uint64_t id) const
{
    return marks.count(id) != 0;
}

void LiveUpdates::timerCallback()
{
    const juce::uint32 now = juce::Time::getMillisecondCounter();
    bool unmarked = false;
    for (auto it = marks.begin(); it != marks.end();)
    {
        if (static_cast<juce::int32>(it->second - now) <= 0)
        {
            it = marks.erase(it);
            unmarked = true;
        }
        else
            ++it;
    }
    if (unmarked)
        summary.table.repaint();

    DB* db = VekApplication::database_if_any();
    if (db == nullptr || ! db->listening() || VekApplication::quitting())
        return;
    const auto changes = db->take_changes();
    if (changes)
    {
        const std::set<std::uint64_t> departments = vek().departments_for_current_role();
        for (const auto& change : *changes)
            if (departments.count(change.department) != 0
                && std::find(pending.begin(), pending.end(), change.entry) == pending.end())
                pending.push_back(change.entry);
    }
    // While a load runs the table is not to be touched.
    if (pending.empty() || ! summary.isEnabled())
        return;
    // A failure's box runs this timer in its modal loop: no second merge meanwhile.
    if (merging)
        return;
    const std::vector<std::uint64_t> entries = std::move(pending);
    pending.clear();
    merging = true;
    // Without a whole window loaded there is nothing to merge into: the poll still counts them.
    summary.merge_changes(summary.loaded_period, entries);
    merging = false;
}
