#include "TextFilter.h"

#include "Hours.h"
#include "LogLoader.h"
#include "ZelString.h"

#include <algorithm>
#include <string_view>

namespace
{
// One word of the filter, classified once per run instead of once per row.
struct Term
{
    enum class Kind
    {
        column,
        unknown_column,
        time,
        free_word
    };

    Kind kind = Kind::free_word;
    std::string word;
    int cell = 0;
    bool not_equal = false;
    std::string value;
    char time_operator = 0;
    bool time_ignored = false;
    double time_value = 0;
    int sort_column_after = 0;
    std::string error;
};

bool contains(std::string_view text, const std::string& value)
{
    return text.find(value) != std::string_view::npos;
}

// The column term ^([^=]+)(=|<>)(.+)$ read by hand, since the standard regular expression engine
// recurses once per byte and a pasted word would overflow the stack. Its name is greedy: the
// longest one without "=" that is followed by "=" or "<>" and a value of at least one byte.
bool split_column_term(const std::string& word, std::string& name, bool& not_equal, std::string& value)
{
    const std::size_t first_equals = std::min(word.find('='), word.size());
    std::size_t name_end = 0;
    if (first_equals > 0 && first_equals + 1 < word.size())
    {
        name_end = first_equals;
    }
    else
    {
        for (std::size_t at = first_equals; at-- > 1 && name_end == 0;)
        {
            if (at + 2 < word.size() && word.compare(at, 2, "<>") == 0)
                name_end = at;
        }
    }
    if (name_end == 0)
        return false;
    name = word.substr(0, name_end);
    not_equal = word[name_end] == '<';
    value = word.substr(name_end + (not_equal ? 2 : 1));
    return true;
}

Term classify(const std::string& word)
{
    Term term;
    term.word = word;
    std::string name;
    if (split_column_term(word, name, term.not_equal, term.value))
    {
        term.cell = TextFilter::column_for_name(name);
        if (term.cell == 0)
        {
            term.kind = Term::Kind::unknown_column;
            term.error = "The search term \"" + name + "\" is not a valid column name.";
        }
        else
        {
            term.kind = Term::Kind::column;
            if (term.cell == 3 || term.cell == 5 || term.cell == 7)
                term.sort_column_after = term.cell;
        }
    }
    else if (word.size() >= 6 && word.compare(0, 4, "TIME") == 0) // ^TIME(.)(.+)$
    {
        term.kind = Term::Kind::time;
        term.time_operator = word[4];
        // A zero duration (time>0, time<0:00) is a meaningful question about entries without
        // hours, so it is read as 0 rather than rejected like other values under a minute.
        const double value = hours_value_of_text(word.substr(5));
        term.time_ignored = ! (value == 0 || value >= 1.0 / 60.0);
        term.time_value = value;
        term.sort_column_after = 20;
    }
    else
    {
        term.kind = Term::Kind::free_word;
    }
    return term;
}

// The number of cells 1 to 21 that contain the word, with one search over all of them.
std::int64_t cells_containing(const SummaryRow& row, const std::string& word)
{
    const std::string_view cells = row.upper_cells();
    std::int64_t found = 0;
    std::size_t position = cells.find(word);
    while (position != std::string_view::npos)
    {
        ++found;
        position = cells.find(word, row.next_cell_start(row.cell_at(position)));
    }
    return found;
}
} // namespace

std::string TextFilter::filter_text(const std::string& box_text)
{
    return Zel::toUpper(Zel::simplifyWhitespace(box_text));
}

std::vector<std::string> TextFilter::words_of(const std::string& box_text)
{
    return Zel::splitWords(filter_text(box_text));
}

int TextFilter::column_for_name(const std::string& name)
{
    if (name == "LOG")
        return 2;
    if (name == "UPDATED")
        return 3;
    if (name == "STARTED")
        return 5;
    if (name == "COMPLETED")
        return 7;
    if (name == "STATUS")
        return 9;
    if (name == "SYSTEM")
        return 11;
    if (name == "CATEGORY")
        return 17;
    if (name == "DOWNTIME")
        return 21;
    return 0;
}

TextFilter::Result TextFilter::apply(std::vector<SummaryRow>& rows, const std::vector<std::string>& words,
                                     bool exact, std::int64_t now)
{
    Result result;
    if (words.empty())
    {
        result.mode = Mode::blank;
        result.visible.reserve(rows.size());
        for (auto& row : rows)
        {
            row.search_count = 0;
            result.visible.push_back(&row);
        }
        return result;
    }

    const auto phrase = [&words](const char* first, const char* second) {
        return words.size() == 2 && words[0] == first && words[1] == second;
    };
    if (phrase("OPEN", "LOGS"))
        result.mode = Mode::open_logs;
    else if (phrase("24", "HOURS"))
        result.mode = Mode::last_24_hours;
    else if (phrase("7", "DAYS"))
        result.mode = Mode::last_7_days;
    else
        result.mode = Mode::terms;
    result.sort_column = result.mode == Mode::terms ? 22 : 3;

    std::vector<Term> terms;
    if (result.mode == Mode::terms)
        for (const auto& word : words)
            terms.push_back(classify(word));
    const auto term_count = static_cast<std::int64_t>(terms.size());

    // The texts of the rows live apart from the rows; fetching the cell that will be read a few
    // rows ahead keeps the walk from waiting on memory at every row.
    int text_cell = -1;
    if (result.mode == Mode::open_logs)
        text_cell = 9;
    for (const auto& term : terms)
    {
        const int cell = term.kind == Term::Kind::column ? term.cell : term.kind == Term::Kind::free_word ? 1 : -1;
        if (cell >= 0)
            text_cell = text_cell < 0 || text_cell == cell ? cell : 1;
    }
    constexpr std::size_t fetch_block_ahead = 16;
    constexpr std::size_t fetch_cell_ahead = 8;
    for (std::size_t index = 0; index < rows.size(); ++index)
    {
        if (text_cell >= 0)
        {
            if (index + fetch_block_ahead < rows.size())
                rows[index + fetch_block_ahead].prefetch();
            if (index + fetch_cell_ahead < rows.size())
                rows[index + fetch_cell_ahead].prefetch_upper_cell(text_cell);
        }
        SummaryRow& row = rows[index];
        row.search_count = 0;
        bool passes = false;
        switch (result.mode)
        {
            case Mode::open_logs: passes = contains(row.upper_cell(9), "OPEN"); break;
            case Mode::last_24_hours: passes = row.epoch_updated >= now - 86400; break;
            case Mode::last_7_days: passes = row.epoch_updated >= now - 604800; break;
            case Mode::blank: break;
            case Mode::terms:
            {
                std::int64_t count = 0;
                for (const auto& term : terms)
                {
                    bool failed = false;
                    switch (term.kind)
                    {
                        case Term::Kind::unknown_column:
                            count = 0;
                            result.error = term.error;
                            failed = true;
                            break;
                        case Term::Kind::column:
                        {
                            const std::string_view cell = row.upper_cell(term.cell);
                            const bool matched = term.not_equal ? ! cell.empty() && ! contains(cell, term.value)
                                                                : contains(cell, term.value);
                            if (matched)
                                ++count;
                            else
                                failed = exact;
                            break;
                        }
                        case Term::Kind::time:
                        {
                            if (term.time_ignored)
                                continue;
                            bool matched = false;
                            if (row.hours != 0)
                                matched = term.time_operator == '>'
                                              ? Zel::approximatelyGreaterOrEqual(row.hours, term.time_value)
                                          : term.time_operator == '<'
                                              ? Zel::approximatelyLessOrEqual(row.hours, term.time_value)
                                              : false;
                            else
                                matched = term.time_value == 0;
                            if (matched)
                                ++count;
                            else
                                failed = exact;
                            break;
                        }
                        case Term::Kind::free_word:
                        {
                            const std::int64_t found = cells_containing(row, term.word);
                            count += found;
                            failed = exact && found == 0;
                            break;
                        }
                    }
                    if (term.kind == Term::Kind::unknown_column)
                        break;
                    if (failed)
                    {
                        count = 0;
                        break;
                    }
                    if (term.sort_column_after != 0)
                        result.sort_column = term.sort_column_after;
                }
                row.search_count = count;
                passes = count > 0 && (! exact || count >= term_count);
                break;
            }
        }
        if (passes)
            result.visible.push_back(&row);
    }
    return result;
}

std::string TextFilter::count_label(std::size_t visible, std::size_t all)
{
    std::string label = "Showing " + std::to_string(visible) + " of " + std::to_string(all) + " log records";
    if (all > 0)
        label += " [" + Zel::formatDouble(100.0 * static_cast<double>(visible) / static_cast<double>(all), 1) + "%]";
    return label + ".";
}

std::string TextFilter::blank_label(std::size_t all)
{
    return "Showing all " + std::to_string(all) + " log records.";
}

std::vector<TextFilter::PresetItem> TextFilter::presets(std::int64_t now)
{
    const std::string today = LogLoader::local_date(now);
    const std::string yesterday = LogLoader::local_date(now - 86400);
    return {{"Open Logs", "Open Logs"},
            {"Modified In Last 24 Hours", "24 Hours"},
            {"Modified In Last 7 Days", "7 Days"},
            {"", ""},
            {"Updated Today", "updated=" + today},
            {"Started Today", "started=" + today},
            {"Completed Today", "completed=" + today},
            {"", ""},
            {"Updated Yesterday", "updated=" + yesterday},
            {"Started Yesterday", "started=" + yesterday},
            {"Completed Yesterday", "completed=" + yesterday},
            {"", ""},
            {"Long Completion Times", "time>1h0m"}};
}
