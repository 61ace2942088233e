#include "EditorComponent.h"
#include "LogEntry.h"

#include <gtest/gtest.h>

#include <limits>
#include <utility>
#include <vector>

namespace
{
LogEntry stored_entry()
{
    LogEntry entry;
    entry.id = 5;
    entry.display_number = 42;
    entry.motor_id = 3;
    entry.departments_id = 1;
    entry.shifts_id = 2;
    entry.epoch_start = 1700000000;
    entry.epoch_end = 1700003600;
    entry.categories_id = 4;
    entry.problem = "pump leaks";
    entry.action = "new seal";
    entry.authors_id = 6;
    entry.status_id = 2;
    entry.hours = 1.5;
    entry.downtime_reasons_id = 7;
    entry.lock_name = "jane@pc1";
    entry.epoch_lock = 1700000100;
    entry.lock_ip_address = "10.0.0.1";
    entry.epoch_updated = 1700003600;
    return entry;
}

using Change = void (*)(LogEntry&);
} // namespace

// The save button offers saving exactly when this comparison finds a difference.
TEST(LogEntryRecord, EqualityComparesEveryStoredFieldAndNothingElse)
{
    const LogEntry entry = stored_entry();
    const std::vector<std::pair<const char*, Change>> compared{
        {"id", [](LogEntry& e) { e.id = 6; }},
        {"display_number", [](LogEntry& e) { e.display_number = 0; }},
        {"motor_id", [](LogEntry& e) { e.motor_id = 4; }},
        {"departments_id", [](LogEntry& e) { e.departments_id = 2; }},
        {"shifts_id", [](LogEntry& e) { e.shifts_id = 1; }},
        {"epoch_start", [](LogEntry& e) { e.epoch_start += 1; }},
        {"epoch_end", [](LogEntry& e) { e.epoch_end = 1; }},
        {"categories_id", [](LogEntry& e) { e.categories_id = 0; }},
        {"problem", [](LogEntry& e) { e.problem += " "; }},
        {"action", [](LogEntry& e) { e.action = "new Seal"; }},
        {"authors_id", [](LogEntry& e) { e.authors_id = 5; }},
        {"status_id", [](LogEntry& e) { e.status_id = 1; }},
        {"hours", [](LogEntry& e) { e.hours = 1.25; }},
        {"downtime_reasons_id", [](LogEntry& e) { e.downtime_reasons_id = 0; }}};
    for (const auto& [field, change] : compared)
    {
        LogEntry other = entry;
        change(other);
        EXPECT_FALSE(entry == other) << "a different " << field << " is a change";
        EXPECT_FALSE(other == entry) << field << ", compared the other way round";
        EXPECT_TRUE(entry != other) << field;
    }

    const std::vector<std::pair<const char*, Change>> ignored{
        {"lock_name", [](LogEntry& e) { e.lock_name.clear(); }},
        {"epoch_lock", [](LogEntry& e) { e.epoch_lock = 0; }},
        {"lock_ip_address", [](LogEntry& e) { e.lock_ip_address = "10.0.0.2"; }},
        {"epoch_updated", [](LogEntry& e) { e.epoch_updated += 60; }}};
    for (const auto& [field, change] : ignored)
    {
        LogEntry other = entry;
        change(other);
        EXPECT_TRUE(entry == other) << "taking a lock or a new update time is no change: " << field;
        EXPECT_FALSE(entry != other) << field;
    }

    LogEntry unreadable = entry;
    unreadable.hours = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(unreadable == unreadable) << "NaN hours never compare equal";
}

TEST(LogEntryRecord, VerificationReportsTheLinesEitherDumpLacks)
{
    const std::string loaded = "log entry id #7:\n\tshift #1=\"Day\"\n\temployee #2=\"Ravi Patel\", in department #2\n"
                               "\tproblem: pump\n";
    const std::string shown = "log entry id #7:\n\tproblem: pump\n\n\tshift #1=\"Day\"\n"
                              "\tcategory #3=\"Mechanical\", in department #1\n";
    const std::vector<std::string> expected{"category #3=\"Mechanical\", in department #1",
                                            "employee #2=\"Ravi Patel\", in department #2"};
    EXPECT_EQ(EditorComponent::dump_differences(loaded, shown), expected)
        << "sorted, trimmed, whatever the order of the lines";
    EXPECT_EQ(EditorComponent::dump_differences(shown, loaded), expected) << "symmetric";
    EXPECT_TRUE(EditorComponent::dump_differences(loaded, loaded).empty());
    EXPECT_EQ(EditorComponent::dump_differences("a\na\nb\n", "a\nb\n"), (std::vector<std::string>{"a"}))
        << "a line that occurs twice on one side only counts once more";
}
