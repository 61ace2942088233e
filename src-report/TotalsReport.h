#pragma once

#include "SummaryRow.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// What a set of log entries adds up to: for each of the groupings below, the entries and hours of
// every group, largest first; and the entries and hours of every week from the first entry's
// start to the last one's, weeks without entries included. Rows are added one at a time and must
// outlive the totals until finish() has taken their texts.
class TotalsReport
{
public:
    struct Group
    {
        std::string name; // as stored; empty for entries without one
        std::size_t entries = 0;
        double hours = 0.0;
    };

    struct Grouping
    {
        int cell;             // the summary row's cell that names the group
        const char* heading;  // the table's heading and the column's name
        std::vector<Group> groups;
    };

    // System, equipment, cost center, category, department, author, status, downtime reason.
    std::vector<Grouping> groupings;
    // Named by the local date of the week's Monday, "%Y-%m-%d", in time order.
    std::vector<Group> weeks;
    std::size_t entries = 0;
    double hours = 0.0;
    // Entries without a start time count in every grouping but in no week.
    std::size_t undated = 0;

    TotalsReport();

    void add(const SummaryRow& row);

    // Orders the groups, most entries first (then most hours, then by name), and lays out the weeks.
    void finish();

private:
    struct Sum
    {
        std::size_t entries = 0;
        double hours = 0.0;
    };
    std::vector<std::unordered_map<std::string_view, Sum>> sums;
    // By the day number (days since 1970-01-01) of the week's local Monday.
    std::map<std::int64_t, Sum> week_sums;
};
