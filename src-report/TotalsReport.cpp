#include "TotalsReport.h"

#include <algorithm>
#include <ctime>

namespace
{
constexpr std::int64_t seconds_per_day = 86400;

// The day number of the local Monday that starts the week of a time.
std::int64_t monday_of(std::int64_t epoch)
{
    const std::time_t time = static_cast<std::time_t>(epoch);
    std::tm local{};
    localtime_r(&time, &local);
    // The local date as a day number: the same date read as UTC midnight.
    std::tm date{};
    date.tm_year = local.tm_year;
    date.tm_mon = local.tm_mon;
    date.tm_mday = local.tm_mday;
    const std::int64_t day = static_cast<std::int64_t>(timegm(&date)) / seconds_per_day;
    return day - (local.tm_wday + 6) % 7;
}

std::string date_of_day(std::int64_t day)
{
    const std::time_t time = static_cast<std::time_t>(day * seconds_per_day);
    std::tm date{};
    gmtime_r(&time, &date);
    char text[16];
    return std::string(text, std::strftime(text, sizeof(text), "%Y-%m-%d", &date));
}
} // namespace

TotalsReport::TotalsReport()
    : groupings{{11, "System", {}},     {12, "Equipment", {}}, {10, "Cost Center", {}}, {17, "Category", {}},
                {14, "Department", {}}, {15, "Author", {}},    {9, "Status", {}},       {21, "Downtime Reason", {}}},
      sums(groupings.size())
{
}

void TotalsReport::add(const SummaryRow& row)
{
    ++entries;
    hours += row.hours;
    for (std::size_t g = 0; g < groupings.size(); ++g)
    {
        Sum& sum = sums[g][row.cell(groupings[g].cell)];
        ++sum.entries;
        sum.hours += row.hours;
    }
    if (row.epoch_start <= 0)
    {
        ++undated;
        return;
    }
    Sum& week = week_sums[monday_of(row.epoch_start)];
    ++week.entries;
    week.hours += row.hours;
}

void TotalsReport::finish()
{
    for (std::size_t g = 0; g < groupings.size(); ++g)
    {
        auto& groups = groupings[g].groups;
        groups.clear();
        for (const auto& [name, sum] : sums[g])
            groups.push_back({std::string(name), sum.entries, sum.hours});
        std::sort(groups.begin(), groups.end(), [](const Group& a, const Group& b) {
            if (a.entries != b.entries)
                return a.entries > b.entries;
            if (a.hours != b.hours)
                return a.hours > b.hours;
            return a.name < b.name;
        });
        sums[g].clear();
    }

    weeks.clear();
    if (week_sums.empty())
        return;
    for (std::int64_t day = week_sums.begin()->first; day <= week_sums.rbegin()->first; day += 7)
    {
        const auto found = week_sums.find(day);
        const Sum sum = found != week_sums.end() ? found->second : Sum{};
        weeks.push_back({date_of_day(day), sum.entries, sum.hours});
    }
    week_sums.clear();
}
