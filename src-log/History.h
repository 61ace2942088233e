#pragma once

#include <cstdint>
#include <string>

// Kinds of client history events; the number is what callers pass.
namespace HistoryEvent
{
constexpr int other = 0;
constexpr int connect = 1;
constexpr int disconnect = 2;
constexpr int problem = 3;
constexpr int save = 4;
constexpr int admin = 5;
constexpr int report = 6;
constexpr int print = 7;
} // namespace HistoryEvent

// The name stored in the `event` column; unknown kinds are "other".
std::string history_event_name(int kind);

// The user as other clients see them: logon name, "@", computer name.
std::string user_identity();

// Writes the event to the log and, when the program has a database, one row into
// vek.client_history. Never throws. A failure of that very insert is reported like any other
// error, but the report does not try to record a history row again.
void add_history_event(int kind, std::uint64_t other_id, const std::string& description);
