#pragma once

#include "SummaryRow.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

// Builds summary rows for tests from the cells that matter to them.
inline SummaryRow make_summary_row(std::uint64_t id, std::initializer_list<std::pair<int, std::string>> cells,
                                   double hours = 0, std::int64_t updated = 0, std::int64_t start = 0,
                                   std::int64_t end = 0)
{
    std::array<std::string, SummaryRow::cell_count> texts;
    texts[1] = std::to_string(id);
    for (const auto& [index, text] : cells)
        texts[static_cast<std::size_t>(index)] = text;
    std::array<std::string_view, SummaryRow::cell_count> views;
    for (std::size_t i = 0; i < texts.size(); ++i)
        views[i] = texts[i];
    SummaryRow row(views);
    row.id = id;
    row.hours = hours;
    row.epoch_updated = updated;
    row.epoch_start = start;
    row.epoch_end = end;
    return row;
}
