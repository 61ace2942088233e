#include "SummaryRow.h"

#include <algorithm>

SummaryRow::SummaryRow(const std::array<std::string, cell_count>& cells)
{
    std::size_t length = 0;
    for (const auto& text : cells)
        length += text.size() + 1;

    buffer.reserve(2 * length);
    for (int index = 0; index < cell_count; ++index)
    {
        starts[index] = static_cast<std::uint32_t>(buffer.size());
        buffer += cells[index];
        buffer += '\0';
    }
    starts[cell_count] = static_cast<std::uint32_t>(buffer.size());

    for (std::size_t i = 0; i < length; ++i)
    {
        const char c = buffer[i];
        buffer += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
}

std::string_view SummaryRow::cell(int index) const
{
    if (index < 0 || index >= cell_count || buffer.empty())
        return {};
    return std::string_view(buffer).substr(starts[index], starts[index + 1] - starts[index] - 1);
}

std::string_view SummaryRow::upper_cell(int index) const
{
    if (index < 0 || index >= cell_count || buffer.empty())
        return {};
    return std::string_view(buffer).substr(starts[cell_count] + starts[index], starts[index + 1] - starts[index] - 1);
}

std::string_view SummaryRow::upper_cells() const
{
    if (buffer.empty())
        return {};
    const std::size_t first = starts[cell_count] + starts[1];
    return std::string_view(buffer).substr(first, buffer.size() - first);
}

int SummaryRow::cell_at(std::size_t position_in_upper_cells) const
{
    const auto position = static_cast<std::uint32_t>(position_in_upper_cells + starts[1]);
    // The last start not after the position.
    const auto found = std::upper_bound(starts.begin() + 1, starts.end() - 1, position);
    return static_cast<int>(found - starts.begin()) - 1;
}

std::size_t SummaryRow::next_cell_start(int index) const
{
    return starts[index + 1] - starts[1];
}
