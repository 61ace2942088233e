#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One log entry as the summary table shows it: the 22 cell texts (cell N is column N, cell 0 is
// always empty) and the numbers that sorting and filtering need. The texts and their upper-case
// forms are built once and kept in one buffer, so that a site of 100,000 entries stays small
// and the filter and the sort never convert a text again.
class SummaryRow
{
public:
    static constexpr int cell_count = 22;

    std::uint64_t id = 0;
    double hours = 0.0;
    std::int64_t epoch_updated = 0;
    std::int64_t epoch_start = 0;
    std::int64_t epoch_end = 0;
    std::int64_t search_count = 0;

    SummaryRow() = default;
    explicit SummaryRow(const std::array<std::string, cell_count>& cells);

    std::string_view cell(int index) const;
    std::string_view upper_cell(int index) const;

    // Cells 1 to 21 in upper case, each followed by a NUL byte, for searching them all at once.
    std::string_view upper_cells() const;

    // The cell (1 to 21) that holds a position of upper_cells().
    int cell_at(std::size_t position_in_upper_cells) const;

    // Where the cell after `index` begins in upper_cells().
    std::size_t next_cell_start(int index) const;

    std::size_t heap_bytes() const { return buffer.capacity(); }

private:
    // The cells as shown, each followed by NUL, then the same again in upper case.
    std::string buffer;
    std::array<std::uint32_t, cell_count + 1> starts{};
};
