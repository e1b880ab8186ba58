#include "platform/RegFile.h"

#include "base/Windows1252.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace vorlandite::platform {
namespace {

constexpr std::string_view kHeaderLine = "REGEDIT4";
constexpr std::string_view kCurrentUser = "HKEY_CURRENT_USER";
constexpr std::array<std::string_view, 6> kRoots = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
    "HKEY_USERS",        "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};
// regedit wraps hex lists so that no line is longer than this.
constexpr std::size_t kHexLineWidth = 80;

uint8_t FoldByte(uint8_t c) {
    if (c >= 'A' && c <= 'Z')
        return uint8_t(c + 0x20);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)  // À..Þ except the multiplication sign
        return uint8_t(c + 0x20);
    switch (c) {
    case 0x8A: return 0x9A;  // Š
    case 0x8C: return 0x9C;  // Œ
    case 0x8E: return 0x9E;  // Ž
    case 0x9F: return 0xFF;  // Ÿ
    default: return c;
    }
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return TrimRight(s);
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto x = uint8_t(a[i]), y = uint8_t(b[i]);
        if ((x >= 'A' && x <= 'Z' ? x + 0x20 : x) != (y >= 'A' && y <= 'Z' ? y + 0x20 : y))
            return false;
    }
    return true;
}

bool StartsWithAsciiNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsAsciiNoCase(s.substr(0, prefix.size()), prefix);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The file is UTF-8; a hand-written file in Windows-1252 (not valid UTF-8) is taken as it is.
std::string FromFileText(std::string_view text) {
    if (auto bytes = Utf8ToCp1252(text))
        return *bytes;
    return std::string(text);
}

std::string ToFileText(std::string_view bytes) { return Cp1252ToUtf8(bytes); }

bool IsCurrentUser(const RegSection& section) {
    return EqualsAsciiNoCase(section.root, kCurrentUser);
}

std::size_t CommonDepth(std::span<const std::string> a, std::span<const std::string> b) {
    std::size_t depth = 0;
    while (depth < a.size() && depth < b.size() && SameName(a[depth], b[depth]))
        ++depth;
    return depth;
}

bool IsAtOrBelow(const RegSection& section, std::span<const std::string> names) {
    return IsCurrentUser(section) && section.names.size() >= names.size()
        && CommonDepth(section.names, names) == names.size();
}

// Reads a quoted text starting at s[pos] == '"'; `pos` ends after the closing quote.
// Only \\ and \" are escapes; a backslash before anything else stays, as people write paths.
bool ReadQuoted(std::string_view s, std::size_t& pos, std::string& out) {
    ++pos;
    while (pos < s.size()) {
        char c = s[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\' && pos + 1 < s.size() && (s[pos + 1] == '\\' || s[pos + 1] == '"')) {
            out += s[pos + 1];
            pos += 2;
            continue;
        }
        out += c;
        ++pos;
    }
    return false;
}

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + '"';
}

bool IsPrintableAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return uint8_t(c) >= 0x20 && uint8_t(c) < 0x7F; });
}

class Parser {
public:
    explicit Parser(std::string_view text) {
        if (text.starts_with("\xEF\xBB\xBF"))  // a byte order mark some editors add
            text.remove_prefix(3);
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos)
                end = text.size();
            std::string_view line = text.substr(start, end - start);
            // CR LF line ends, and blanks or stray CRs before them, are not part of the line:
            // kept, they would change how the line reads once written back.
            while (!line.empty() && (line.back() == '\r' || IsBlank(line.back())))
                line.remove_suffix(1);
            lines_.push_back(line);
            start = end + 1;
        }
    }

    Result<RegDocument> Run(std::vector<RegProblem>* skipped) {
        std::size_t i = 0;
        while (i < lines_.size() && Trim(lines_[i]).empty())
            ++i;
        if (i == lines_.size())
            return RegDocument{};
        if (!EqualsAsciiNoCase(Trim(lines_[i]), kHeaderLine))
            return Fail(i, "the first line is not \"REGEDIT4\"");
        for (++i; i < lines_.size(); ++i) {
            std::string_view line = Trim(lines_[i]);
            if (line.empty())
                continue;
            if (line.front() == ';') {
                pending_.emplace_back(TrimRight(lines_[i]));
            } else if (line.front() == '[') {
                if (!ReadSection(i, line)) {
                    KeepUnreadableKey(i);
                    Report(skipped, "; the lines below it, up to the next key, are skipped too");
                }
            } else if (current_ == kNone) {
                (void)Fail(i, "a value outside any key");
                KeepStray(i);
                Report(skipped);
            } else if (!document_.sections[current_].unreadableKeyLine.empty()) {
                KeepUnreadable(i, i, {});  // belongs to the key above, which could not be read
            } else {
                const std::size_t first = i;
                std::string name;
                if (!ReadValue(i, name)) {
                    KeepUnreadable(first, i, std::move(name));
                    Report(skipped);
                }
            }
        }
        document_.closingComments = std::move(pending_);
        return std::move(document_);
    }

private:
    Error Fail(std::size_t index, const std::string& reason) {
        problem_ = RegProblem{index + 1, reason};
        return MakeError("line " + std::to_string(index + 1) + ": " + reason);
    }

    void Report(std::vector<RegProblem>* skipped, std::string_view more = {}) {
        if (skipped)
            skipped->push_back(RegProblem{problem_.line, problem_.reason + std::string(more)});
    }

    // The lines first..last, as they are, as an entry of the current key.
    void KeepUnreadable(std::size_t first, std::size_t last, std::string name) {
        RegValue value;
        value.kind = RegValueKind::Unreadable;
        value.name = std::move(name);
        for (std::size_t k = first; k <= last; ++k)
            value.rawLines.emplace_back(lines_[k]);
        value.comments = std::move(pending_);
        pending_.clear();
        // Never merged with a value of the same name: both lines stay.
        document_.sections[current_].values.push_back(std::move(value));
    }

    // A key line that cannot be read starts a section of its own that names no key, so the
    // values below it neither land in the key above nor get lost.
    void KeepUnreadableKey(std::size_t index) {
        RegSection section;
        section.comments = std::move(pending_);
        pending_.clear();
        section.unreadableKeyLine = std::string(lines_[index]);
        document_.sections.push_back(std::move(section));
        current_ = document_.sections.size() - 1;
    }

    void KeepStray(std::size_t index) {
        auto& stray = document_.strayLines;
        stray.insert(stray.end(), pending_.begin(), pending_.end());
        pending_.clear();
        stray.emplace_back(lines_[index]);
    }

    Status ReadSection(std::size_t index, std::string_view line) {
        if (line.back() != ']')
            return Fail(index, "a key line must end with ']'");
        std::string_view inner = Trim(line.substr(1, line.size() - 2));
        bool deletion = !inner.empty() && inner.front() == '-';
        if (deletion)
            inner.remove_prefix(1);
        std::string_view root = inner.substr(0, inner.find('\\'));
        auto known = std::find_if(kRoots.begin(), kRoots.end(),
                                  [&](std::string_view r) { return EqualsAsciiNoCase(r, root); });
        if (known == kRoots.end())
            return Fail(index, "unknown root key \"" + std::string(root) + "\"");
        std::vector<std::string> names =
            SplitKeyPath(FromFileText(inner.substr(root.size())));
        // The line is trimmed before its closing bracket, so a last name cannot end in blanks
        // once written back ("[…\Name \]" would come back as "Name"): it never does.
        while (!names.empty()) {
            names.back().resize(TrimRight(names.back()).size());
            if (!names.back().empty())
                break;
            names.pop_back();
        }

        auto sameKey = [&](const RegSection& s) {
            return EqualsAsciiNoCase(s.root, root) && s.names.size() == names.size()
                && CommonDepth(s.names, names) == names.size();
        };
        if (deletion) {
            // "[-key]" removes the key with everything below it, as an import would.
            std::erase_if(document_.sections, [&](const RegSection& s) {
                return EqualsAsciiNoCase(s.root, root) && s.names.size() >= names.size()
                    && CommonDepth(s.names, names) == names.size();
            });
            current_ = kNone;
            return {};
        }
        auto found = std::find_if(document_.sections.begin(), document_.sections.end(), sameKey);
        if (found == document_.sections.end()) {
            document_.sections.push_back(RegSection{std::string(root), std::move(names), {}, {}, {}});
            found = document_.sections.end() - 1;
        }
        current_ = std::size_t(found - document_.sections.begin());
        found->comments.insert(found->comments.end(), pending_.begin(), pending_.end());
        pending_.clear();
        return {};
    }

    // Reads one value of the current key starting at line `index`; a hex list may continue on
    // the lines after it, in which case `index` is moved to its last line. `name` is the value's
    // name once it is read, so a line that fails later can still be told by it.
    Status ReadValue(std::size_t& index, std::string& name) {
        std::size_t first = index;
        std::string_view line = Trim(lines_[index]);

        RegValue value;
        std::size_t pos = 0;
        if (line.front() == '@') {
            pos = 1;
        } else if (line.front() == '"') {
            std::string quoted;
            if (!ReadQuoted(line, pos, quoted))
                return Fail(index, "the value name has no closing quote");
            value.name = FromFileText(quoted);
        } else {
            return Fail(index, "expected a key, a value or a comment");
        }
        name = value.name;
        while (pos < line.size() && IsBlank(line[pos]))
            ++pos;
        if (pos == line.size() || line[pos] != '=')
            return Fail(index, "expected '=' after the value name");
        std::string_view data = line.substr(pos + 1);
        while (!data.empty() && IsBlank(data.front()))
            data.remove_prefix(1);

        RegSection& section = document_.sections[current_];
        if (data == "-") {  // "name"=- deletes the value, as an import would
            RemoveValue(section, value.name);
            return {};
        }

        std::string_view tail;
        if (!data.empty() && data.front() == '"') {
            std::size_t end = 0;
            std::string text;
            if (!ReadQuoted(data, end, text))
                return Fail(index, "the string has no closing quote");
            value.kind = RegValueKind::String;
            value.text = FromFileText(text);
            tail = data.substr(end);
        } else if (StartsWithAsciiNoCase(data, "dword:")) {
            std::size_t end = 6;
            uint32_t number = 0;
            while (end < data.size() && HexValue(data[end]) >= 0 && end - 6 < 8)
                number = (number << 4) | uint32_t(HexValue(data[end++]));
            if (end == 6)
                return Fail(index, "dword: needs 1 to 8 hex digits");
            value.kind = RegValueKind::Integer;
            value.integer = number;
            tail = data.substr(end);
        } else if (StartsWithAsciiNoCase(data, "hex")) {
            return ReadHexValue(index, first, data, std::move(value));
        } else {
            return Fail(index, "unknown value type");
        }

        // Only a comment may follow the value on its line.
        if (!Trim(tail).empty()) {
            if (Trim(tail).front() != ';')
                return Fail(index, "unexpected text after the value");
            value.lineComment = std::string(TrimRight(tail));
        }
        Store(section, std::move(value));
        return {};
    }

    Status ReadHexValue(std::size_t& index, std::size_t first, std::string_view firstLine,
                        RegValue value) {
        // Join the continuation lines first (each line but the last ends with a backslash), so
        // that a value which cannot be read is skipped, and kept, with all of its lines.
        std::string joined(firstLine);
        while (!TrimRight(joined).empty() && TrimRight(joined).back() == '\\') {
            joined.resize(TrimRight(joined).size() - 1);
            // A backslash before a blank line or the end of the file continues nothing: taking
            // the blank line in would make every save of the file one line longer.
            if (index + 1 >= lines_.size() || Trim(lines_[index + 1]).empty())
                break;
            joined += Trim(lines_[++index]);
        }
        std::string_view data = joined;

        std::size_t pos = 3;
        uint32_t type = 3;  // plain "hex:" is REG_BINARY
        if (pos < data.size() && data[pos] == '(') {
            type = 0;
            std::size_t digits = 0;
            for (++pos; pos < data.size() && HexValue(data[pos]) >= 0; ++pos, ++digits)
                type = (type << 4) | uint32_t(HexValue(data[pos]));
            if (digits == 0 || digits > 8 || pos >= data.size() || data[pos] != ')')
                return Fail(first, "hex( needs a type number and ')'");
            ++pos;
        }
        if (pos >= data.size() || data[pos] != ':')
            return Fail(first, "expected ':' after the hex type");
        std::string_view list = data.substr(pos + 1);

        std::string bytes;
        std::string_view rest = list;
        while (true) {
            std::size_t comma = rest.find(',');
            std::string_view item = Trim(rest.substr(0, comma));
            bool last = comma == std::string_view::npos;
            if (item.empty()) {
                // Only the end may be empty: an empty list, or a comma closing the list.
                if (!last)
                    return Fail(index, "an empty item in the hex list");
            } else {
                if (item.size() > 2 || HexValue(item[0]) < 0
                    || (item.size() == 2 && HexValue(item[1]) < 0))
                    return Fail(index, "hex list items are one byte each, like 0a");
                int byte = HexValue(item[0]);
                if (item.size() == 2)
                    byte = byte * 16 + HexValue(item[1]);
                bytes += char(byte);
            }
            if (last)
                break;
            rest.remove_prefix(comma + 1);
        }

        if (type == 1) {  // REG_SZ: the bytes and their terminating NUL
            value.kind = RegValueKind::String;
            if (!bytes.empty() && bytes.back() == '\0')
                bytes.pop_back();
            value.text = std::move(bytes);
        } else if (type == 4 && bytes.size() == 4) {  // REG_DWORD, little-endian
            value.kind = RegValueKind::Integer;
            value.integer = uint32_t(uint8_t(bytes[0])) | uint32_t(uint8_t(bytes[1])) << 8
                          | uint32_t(uint8_t(bytes[2])) << 16 | uint32_t(uint8_t(bytes[3])) << 24;
        } else {
            value.kind = RegValueKind::Other;
            for (std::size_t k = first; k <= index; ++k)
                value.rawLines.emplace_back(TrimRight(lines_[k]));
            // A backslash that continued nothing would join the next line once written back: it
            // goes, and a line that held nothing else goes with it (the line above then ends in
            // a backslash that continues nothing).
            while (!value.rawLines.back().empty() && value.rawLines.back().back() == '\\') {
                std::string& lastLine = value.rawLines.back();
                lastLine = std::string(TrimRight(std::string_view(lastLine).substr(0, lastLine.size() - 1)));
                if (lastLine.empty() && value.rawLines.size() > 1)
                    value.rawLines.pop_back();
            }
        }
        Store(document_.sections[current_], std::move(value));
        return {};
    }

    void Store(RegSection& section, RegValue value) {
        value.comments = std::move(pending_);
        pending_.clear();
        SetValue(section, std::move(value));
    }

    static constexpr std::size_t kNone = std::size_t(-1);
    std::vector<std::string_view> lines_;
    RegDocument document_;
    std::vector<std::string> pending_;  // comment lines waiting for the entry below them
    std::size_t current_ = kNone;       // index of the section values go into
    RegProblem problem_;                // the last line that could not be read
};

void AppendHexLines(std::string& out, std::string head, std::string_view bytes) {
    std::string line = std::move(head);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char item[4];
        std::snprintf(item, sizeof item, "%02x", unsigned(uint8_t(bytes[i])));
        std::string piece = item;
        if (i + 1 < bytes.size())
            piece += ',';
        // Leave room for the continuation backslash, as regedit does.
        if (line.size() + piece.size() + 1 > kHexLineWidth && line.size() > 2) {
            out += line + "\\\n";
            line = "  ";
        }
        line += piece;
    }
    out += line + "\n";
}

void AppendValue(std::string& out, const RegValue& value) {
    for (const std::string& comment : value.comments)
        out += comment + "\n";
    std::string head = value.name.empty() ? std::string("@") : Quote(ToFileText(value.name));
    switch (value.kind) {
    case RegValueKind::Integer: {
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08x", unsigned(value.integer));
        out += head + "=dword:" + digits + value.lineComment + "\n";
        break;
    }
    case RegValueKind::String:
        if (IsPrintableAscii(value.text)) {
            out += head + "=" + Quote(value.text) + value.lineComment + "\n";
        } else {
            // A hex list cannot carry a trailing comment; keep it as a line above instead.
            if (!value.lineComment.empty())
                out += std::string(Trim(value.lineComment)) + "\n";
            AppendHexLines(out, head + "=hex(1):", value.text + std::string(1, '\0'));
        }
        break;
    case RegValueKind::Other:
        for (const std::string& line : value.rawLines)
            out += line + "\n";
        break;
    case RegValueKind::Unreadable:
        for (const std::string& line : value.rawLines)
            out += line + "\n";
        // Its last line ended a continuation at a blank line: keep that blank line, or the line
        // below would be read as part of it.
        if (!value.rawLines.empty() && value.rawLines.back().ends_with('\\'))
            out += "\n";
        break;
    }
}

} // namespace

Result<RegDocument> ParseRegFile(std::string_view text, std::vector<RegProblem>* skipped) {
    return Parser(text).Run(skipped);
}

std::string SerializeRegFile(const RegDocument& document) {
    std::string out = std::string(kHeaderLine) + "\n";
    if (!document.strayLines.empty()) {
        out += "\n";
        for (const std::string& line : document.strayLines)
            out += line + "\n";
    }
    for (const RegSection& section : document.sections) {
        out += "\n";
        for (const std::string& comment : section.comments)
            out += comment + "\n";
        if (!section.unreadableKeyLine.empty()) {
            out += section.unreadableKeyLine + "\n";
        } else {
            out += "[" + section.root;
            if (!section.names.empty())
                out += "\\" + ToFileText(JoinKeyPath(section.names));
            out += "]\n";
        }
        for (const RegValue& value : section.values)
            AppendValue(out, value);
    }
    if (!document.closingComments.empty()) {
        out += "\n";
        for (const std::string& comment : document.closingComments)
            out += comment + "\n";
    }
    return out;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldByte(uint8_t(a[i])) != FoldByte(uint8_t(b[i])))
            return false;
    return true;
}

std::vector<std::string> SplitKeyPath(std::string_view path) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            names.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

std::string JoinKeyPath(std::span<const std::string> names) {
    std::string path;
    for (const std::string& name : names) {
        if (!path.empty())
            path += '\\';
        path += name;
    }
    return path;
}

bool IsStorableName(std::string_view name) {
    return std::none_of(name.begin(), name.end(),
                        [](char c) { return uint8_t(c) < 0x20 || uint8_t(c) == 0x7F; });
}

bool KeyExists(const RegDocument& document, std::span<const std::string> names) {
    return names.empty()
        || std::any_of(document.sections.begin(), document.sections.end(),
                       [&](const RegSection& s) { return IsAtOrBelow(s, names); });
}

const RegSection* FindSection(const RegDocument& document, std::span<const std::string> names) {
    for (const RegSection& section : document.sections)
        if (IsAtOrBelow(section, names) && section.names.size() == names.size())
            return &section;
    return nullptr;
}

RegSection* FindSection(RegDocument& document, std::span<const std::string> names) {
    return const_cast<RegSection*>(FindSection(std::as_const(document), names));
}

RegSection& CreateKey(RegDocument& document, std::span<const std::string> names) {
    if (RegSection* existing = FindSection(document, names))
        return *existing;
    std::vector<std::string> spelled(names.begin(), names.end());
    std::vector<bool> taken(names.size(), false);
    std::size_t insertAt = document.sections.size();
    std::size_t deepest = 0;
    for (std::size_t i = 0; i < document.sections.size(); ++i) {
        const RegSection& section = document.sections[i];
        if (!IsCurrentUser(section))
            continue;
        std::size_t depth = CommonDepth(section.names, names);
        for (std::size_t level = 0; level < depth; ++level)
            if (!taken[level]) {  // the first spelling in the file wins
                spelled[level] = section.names[level];
                taken[level] = true;
            }
        if (depth > 0 && depth >= deepest) {
            deepest = depth;
            insertAt = i + 1;
        }
    }
    auto placed = document.sections.insert(
        document.sections.begin() + std::ptrdiff_t(insertAt),
        RegSection{std::string(kCurrentUser), std::move(spelled), {}, {}, {}});
    return *placed;
}

bool RemoveKey(RegDocument& document, std::span<const std::string> names) {
    if (names.empty())
        return false;
    return std::erase_if(document.sections,
                         [&](const RegSection& s) { return IsAtOrBelow(s, names); })
         > 0;
}

const RegValue* FindValue(const RegSection& section, std::string_view name) {
    for (const RegValue& value : section.values)
        if (value.kind != RegValueKind::Unreadable && SameName(value.name, name))
            return &value;
    return nullptr;
}

bool HasUnreadableValue(const RegSection& section, std::string_view name) {
    return std::any_of(section.values.begin(), section.values.end(), [&](const RegValue& v) {
        return v.kind == RegValueKind::Unreadable && SameName(v.name, name);
    });
}

void SetValue(RegSection& section, RegValue value) {
    auto found = std::find_if(section.values.begin(), section.values.end(), [&](const RegValue& v) {
        return v.kind != RegValueKind::Unreadable && SameName(v.name, value.name);
    });
    if (found == section.values.end()) {
        section.values.push_back(std::move(value));
        return;
    }
    found->kind = value.kind;
    found->integer = value.integer;
    found->text = std::move(value.text);
    found->rawLines = std::move(value.rawLines);
    found->comments.insert(found->comments.end(), value.comments.begin(), value.comments.end());
    if (!value.lineComment.empty())
        found->lineComment = std::move(value.lineComment);
}

bool RemoveValue(RegSection& section, std::string_view name) {
    return std::erase_if(section.values,
                         [&](const RegValue& v) {
                             return v.kind != RegValueKind::Unreadable && SameName(v.name, name);
                         })
         > 0;
}

} // namespace vorlandite::platform
