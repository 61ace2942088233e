#include "CsvExport.h"

#include "DB.h"
#include "ShownText.h"

#include <algorithm>
#include <cstring>

namespace
{
constexpr std::size_t piece_bytes = 1 << 16;
constexpr std::size_t entries_per_statement = 1000;
constexpr int problem_column = 18;
constexpr int action_column = 19;
constexpr int matches_column = 22;
} // namespace

void CsvExport::read_full_texts(DB& db, const std::vector<SummaryRow>& rows)
{
    // Repaired where they come in, as the loaded cells are.
    const auto shown = [](const pqxx::field& field) {
        const std::string_view bytes(field.c_str(), field.size());
        return ShownText::is_valid_utf8(bytes) ? std::string(bytes) : ShownText::repaired(bytes);
    };
    full_texts.clear();
    for (std::size_t first = 0; first < rows.size(); first += entries_per_statement)
    {
        std::string ids;
        for (std::size_t i = first; i < std::min(rows.size(), first + entries_per_statement); ++i)
            ids += (ids.empty() ? "" : ",") + std::to_string(rows[i].id);
        const pqxx::result result
            = db.exec_nt("SELECT id, problem, action FROM vek.logs WHERE id IN (" + ids + ")", "full texts for export");
        for (const auto& row : result)
            full_texts[row[0].as<std::uint64_t>()] = {shown(row[1]), shown(row[2])};
    }
}

namespace
{
// What a text's bytes ask of its field: quotes (for a quote, a comma or a line break) or a look at
// its UTF-8. One flag per kind of byte, so that the compiler makes vector code of the loop, which
// sees every byte of a row's short cells at once.
struct FieldBytes
{
    bool needs_quotes = false;
    bool not_ascii = false;

    bool plain() const { return ! needs_quotes && ! not_ascii; }
};

FieldBytes bytes_of(std::string_view text)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    unsigned char quote = 0, comma = 0, cr = 0, lf = 0, high = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        quote |= bytes[i] == '"';
        comma |= bytes[i] == ',';
        cr |= bytes[i] == '\r';
        lf |= bytes[i] == '\n';
        high |= bytes[i];
    }
    return {(quote | comma | cr | lf) != 0, (high & 0x80) != 0};
}
} // namespace

void CsvExport::append_field(std::string& out, std::string_view text)
{
    const FieldBytes bytes = bytes_of(text);
    std::string repaired;
    if (bytes.not_ascii && ! ShownText::is_valid_utf8(text))
    {
        repaired = ShownText::repaired(text);
        text = repaired;
    }
    if (! bytes.needs_quotes)
        out.append(text);
    else
        append_quoted(out, text);
}

void CsvExport::append_full_text(std::string& out, const std::string& text)
{
    // No NUL before its end, so the C library's span search, which takes many bytes at a time,
    // finds what needs quotes in the long texts that are most of the export.
    if (std::strcspn(text.c_str(), "\",\r\n") == text.size())
        out.append(text);
    else
        append_quoted(out, text);
}

void CsvExport::append_quoted(std::string& out, std::string_view text)
{
    // Each quote doubled: the text up to and with a quote, then the quote again.
    out += '"';
    for (std::size_t start = 0;;)
    {
        const std::size_t quote = text.find('"', start);
        out.append(text.substr(start, quote == std::string_view::npos ? quote : quote + 1 - start));
        if (quote == std::string_view::npos)
            break;
        out += '"';
        start = quote + 1;
    }
    out += '"';
}

std::string_view CsvExport::text_of(const SummaryRow& row, int column, std::string& number)
{
    if (column == matches_column)
        return number = std::to_string(row.search_count);
    return row.cell(column);
}

std::size_t CsvExport::write(std::ostream& out, const std::vector<SummaryRow>& rows, ReportWriter::Observer& observer,
                             std::size_t kept) const
{
    std::string text = "\xEF\xBB\xBF";
    for (std::size_t k = 0; k < columns.size(); ++k)
    {
        if (k > 0)
            text += ',';
        append_field(text, columns[k].name);
    }
    text += "\r\n";

    const std::size_t limit = std::min(kept, rows.size());
    std::size_t written = 0;
    std::string number;
    for (std::size_t i = 0; i < limit && ! observer.should_stop() && out.good(); ++i)
    {
        observer.entry_started(i, rows.size());
        const SummaryRow& row = rows[i];
        const auto found = full_texts.find(row.id);
        const auto* full = found != full_texts.end() ? &found->second : nullptr;
        // Most rows ask nothing of their short cells: one look at all of them rather than one at each.
        // The problem and action between them are looked at on their own.
        const bool plain = bytes_of(row.shown_cells(1, problem_column - 1)).plain()
                           && bytes_of(row.shown_cells(action_column + 1, SummaryRow::cell_count - 1)).plain();
        for (std::size_t k = 0; k < columns.size(); ++k)
        {
            if (k > 0)
                text += ',';
            const int column = columns[k].id;
            const bool text_column = column == problem_column || column == action_column;
            if (full != nullptr && text_column)
                append_full_text(text, column == problem_column ? full->first : full->second);
            else if (plain && ! text_column)
                text.append(text_of(row, column, number));
            else
                append_field(text, text_of(row, column, number));
        }
        text += "\r\n";
        written = i + 1;
        if (text.size() >= piece_bytes)
        {
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            text.clear();
        }
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return written;
}
