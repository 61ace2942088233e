#pragma once

#include <juce_events/juce_events.h>

#include <cstdint>
#include <map>
#include <vector>

class ShiftLogSummaryComponent;

// The summary window's side of live updates: every 500 ms it takes the saves that other clients
// announced, without waiting for the connection, and has those of the role's departments merged
// into the table; and it keeps the marks of rows that changed lately.
class LiveUpdates : private juce::Timer
{
public:
    static constexpr int interval_ms = 500;
    static constexpr juce::uint32 mark_ms = 4000;

    explicit LiveUpdates(ShiftLogSummaryComponent& summary);
    ~LiveUpdates() override;

    // Rows shown marked for a few seconds.
    void mark(const std::vector<std::uint64_t>& ids);
    bool marked(std::uint64_t id) const;

private:
    void timerCallback() override;

    ShiftLogSummaryComponent& summary;
    // Announced entries not merged yet: they wait while the table is busy.
    std::vector<std::uint64_t> pending;
    // Until when (the millisecond counter) each marked row stays marked.
    std::map<std::uint64_t, juce::uint32> marks;
    bool merging = false;
};
