#include "ui/CaptionTable.h"

#include <optional>
#include <vector>

namespace vorlandite::ui {
namespace {

struct CaptionTable {
    std::vector<std::string> keys;    // English captions, in text order; duplicates stay
    std::vector<std::string> values;  // the replacement of keys[i]
};

// Absent (never built, or freed) differs from empty: an empty table is a built one.
std::optional<CaptionTable>& Table() {
    static std::optional<CaptionTable> table;
    return table;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string result;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(from, start)) != std::string_view::npos; start = at + from.size()) {
        result.append(text.substr(start, at - start));
        result.append(to);
    }
    result.append(text.substr(start));
    return result;
}

// Lines end at CR LF, a lone CR or a lone LF; a NUL ends the text; a final line break makes no
// empty last line.
std::vector<std::string_view> SplitLines(std::string_view text) {
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
    return lines;
}

} // namespace

void LoadCaptionTable(std::string_view text, std::string_view section) {
    CaptionTable table;
    std::string_view current;
    for (std::string_view line : SplitLines(text)) {
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            current = line;  // a section line, taken exactly as written; an empty line too
            continue;
        }
        if (section.empty() || current == section) {
            table.keys.emplace_back(line.substr(0, equals));
            table.values.emplace_back(line.substr(equals + 1));
        }
    }
    Table() = std::move(table);
}

std::string TranslateCaption(std::string_view caption) {
    const std::optional<CaptionTable>& table = Table();
    if (!table)
        return std::string(caption);
    const std::string key = ReplaceAll(caption, "\r\n", "#13");
    for (std::size_t i = 0; i < table->keys.size(); ++i)
        if (table->keys[i] == key)
            return ReplaceAll(table->values[i], "#13", "\r\n");
    return std::string(caption);
}

void FreeCaptionTable() { Table().reset(); }

} // namespace vorlandite::ui
