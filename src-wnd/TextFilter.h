#pragma once

#include "SummaryRow.h"

#include <cstdint>
#include <string>
#include <vector>

// The summary window's filter language, without a window: free words searched in every cell,
// column terms (status=open, status<>closed), time terms (time>2h) and three preset phrases.
// Words are upper case, so the language ignores case.
class TextFilter
{
public:
    enum class Mode
    {
        blank,
        open_logs,
        last_24_hours,
        last_7_days,
        terms
    };

    struct Result
    {
        Mode mode = Mode::blank;
        // The rows that pass, in the order of the rows given.
        std::vector<SummaryRow*> visible;
        // The column the table should sort by when rows pass and the filter is new.
        int sort_column = 0;
        // A column-name error met while evaluating the rows; empty when none was.
        std::string error;
    };

    struct PresetItem
    {
        std::string item;        // the menu text; empty for a separator
        std::string filter_text; // what the item puts into the filter box
    };

    // The filter box text simplified and in upper case.
    static std::string filter_text(const std::string& box_text);
    static std::vector<std::string> words_of(const std::string& box_text);

    // Sets every row's search_count and returns the rows that pass.
    static Result apply(std::vector<SummaryRow>& rows, const std::vector<std::string>& words, bool exact,
                        std::int64_t now);

    // The column (cell) that a column term's name tests; 0 for a name that is not one.
    static int column_for_name(const std::string& name);

    static std::string count_label(std::size_t visible, std::size_t all);
    static std::string blank_label(std::size_t all);

    // The preset menu below "Clear", with the dates of `now` in local time.
    static std::vector<PresetItem> presets(std::int64_t now);
};
