#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// One log entry as the summary table shows it: the 22 cell texts (cell N is column N, cell 0 is
// always empty) and the numbers that sorting and filtering need. The texts and their upper-case
// forms are built once, into one block that also holds where each cell starts; the row itself is
// one cache line, so that 100,000 of them stay small, sort quickly and filter without converting
// a text again.
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
    explicit SummaryRow(const std::array<std::string_view, cell_count>& cells);
    SummaryRow(const SummaryRow& other);
    SummaryRow& operator=(const SummaryRow& other);
    SummaryRow(SummaryRow&&) noexcept = default;
    SummaryRow& operator=(SummaryRow&&) noexcept = default;

    std::string_view cell(int index) const;
    std::string_view upper_cell(int index) const;

    // Cells 1 to 21 in upper case, each followed by a NUL byte, for searching them all at once.
    std::string_view upper_cells() const;
    // Cells `first` to `last` as shown, each but the last followed by a NUL byte.
    std::string_view shown_cells(int first, int last) const;

    // The cell (1 to 21) that holds a position of upper_cells().
    int cell_at(std::size_t position_in_upper_cells) const;

    // Where the cell after `index` begins in upper_cells().
    std::size_t next_cell_start(int index) const;

    // Ask the processor to fetch texts ahead of use, for loops that walk many rows: first the
    // block's start (where the cells begin), a little later the cell itself.
    void prefetch() const { __builtin_prefetch(block.get()); }
    void prefetch_upper_cell(int index) const;

private:
    // The block: the start of every cell and the end of the last one (offsets into the text),
    // then the cells in upper case, each followed by NUL, then the same again as shown.
    using Offset = std::uint32_t;
    static constexpr std::size_t header_bytes = sizeof(Offset) * (cell_count + 1);

    std::unique_ptr<char[]> block;
    std::uint32_t text_bytes = 0;

    Offset start_of(int index) const;
    const char* text() const { return block.get() + header_bytes; }
};
