#pragma once

#include <string>

// The hours of a log entry as users read and type them: "2h 30m", "45m", "3h".
// Empty for 0; anything above 0 but under a minute is shown as one minute.
std::string hours_text(double hours);

// Reads "1:30", "1.5", "1.5h", "90m", "1h30m" or "1h 30m" (spaces allowed
// around the whole text). Returns -1 for a text that is not one of these forms
// or that gives less than one minute.
double hours_from_text(const std::string& text);

// What a text in one of those forms reads as, without the one-minute minimum: 0 for "0" or
// "0:00". Returns -1 for a text that is not one of the forms.
double hours_value_of_text(const std::string& text);
