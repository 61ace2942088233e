#include "SummaryRow.h"

#include "ZelString.h"

#include <cstring>

SummaryRow::SummaryRow(const std::array<std::string_view, cell_count>& cells)
{
    std::size_t length = 0;
    for (const auto& text : cells)
        length += text.size() + 1;
    text_bytes = static_cast<std::uint32_t>(length);

    // Upper case first: the filter reads it, right after the offsets, and seldom anything else.
    block.reset(new char[header_bytes + 2 * length]);
    char* const upper = block.get() + header_bytes;
    char* const shown = upper + length;
    std::size_t position = 0;
    for (int index = 0; index < cell_count; ++index)
    {
        const Offset start = static_cast<Offset>(position);
        std::memcpy(block.get() + sizeof(Offset) * static_cast<std::size_t>(index), &start, sizeof(Offset));
        const auto& text = cells[static_cast<std::size_t>(index)];
        if (! text.empty()) // an empty view may have no data at all
            std::memcpy(shown + position, text.data(), text.size());
        position += text.size();
        shown[position++] = '\0';
    }
    const Offset end = static_cast<Offset>(position);
    std::memcpy(block.get() + sizeof(Offset) * cell_count, &end, sizeof(Offset));

    for (std::size_t i = 0; i < length; ++i)
        upper[i] = Zel::toUpper(shown[i]);
}

SummaryRow::SummaryRow(const SummaryRow& other)
    : id(other.id), hours(other.hours), epoch_updated(other.epoch_updated), epoch_start(other.epoch_start),
      epoch_end(other.epoch_end), search_count(other.search_count), text_bytes(other.text_bytes)
{
    if (other.block != nullptr)
    {
        const std::size_t bytes = header_bytes + 2 * static_cast<std::size_t>(text_bytes);
        block.reset(new char[bytes]);
        std::memcpy(block.get(), other.block.get(), bytes);
    }
}

SummaryRow& SummaryRow::operator=(const SummaryRow& other)
{
    if (this != &other)
        *this = SummaryRow(other);
    return *this;
}

SummaryRow::Offset SummaryRow::start_of(int index) const
{
    Offset offset;
    std::memcpy(&offset, block.get() + sizeof(Offset) * static_cast<std::size_t>(index), sizeof(Offset));
    return offset;
}

std::string_view SummaryRow::cell(int index) const
{
    if (index < 0 || index >= cell_count || block == nullptr)
        return {};
    const Offset start = start_of(index);
    return std::string_view(text() + text_bytes + start, start_of(index + 1) - start - 1);
}

std::string_view SummaryRow::upper_cell(int index) const
{
    if (index < 0 || index >= cell_count || block == nullptr)
        return {};
    const Offset start = start_of(index);
    return std::string_view(text() + start, start_of(index + 1) - start - 1);
}

void SummaryRow::prefetch_upper_cell(int index) const
{
    if (block != nullptr)
        __builtin_prefetch(text() + start_of(index));
}

std::string_view SummaryRow::upper_cells() const
{
    if (block == nullptr)
        return {};
    const Offset first = start_of(1);
    return std::string_view(text() + first, text_bytes - first);
}

std::string_view SummaryRow::shown_cells(int first, int last) const
{
    if (first < 0 || last >= cell_count || first > last || block == nullptr)
        return {};
    const Offset start = start_of(first);
    return std::string_view(text() + text_bytes + start, start_of(last + 1) - start - 1);
}

int SummaryRow::cell_at(std::size_t position_in_upper_cells) const
{
    const Offset position = static_cast<Offset>(position_in_upper_cells + start_of(1));
    // The last cell that starts at or before the position.
    int index = 1;
    while (index + 1 < cell_count && start_of(index + 1) <= position)
        ++index;
    return index;
}

std::size_t SummaryRow::next_cell_start(int index) const
{
    return start_of(index + 1) - start_of(1);
}
