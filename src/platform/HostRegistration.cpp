#include "platform/HostRegistration.h"

#include "base/AsciiCase.h"
#include "base/ErrnoError.h"
#include "base/PendingFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlandite::platform {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";

// ---- UTF-8 --------------------------------------------------------------------------------

// The length of the well-formed UTF-8 sequence at `i`, or 0.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80)
        return 1;
    std::size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 0;
    if (length == 0 || i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    const auto second = static_cast<unsigned char>(text[i + 1]);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second >= 0x90))
        return 0;  // overlong forms, surrogates, beyond U+10FFFF
    return length;
}

bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

// Screen columns up to `text`'s end from column `column`, with tabs to multiples of 8 (the way
// xscreensaver lays out its own file); a UTF-8 sequence counts one.
int ColumnAfter(std::string_view text, int column) {
    for (char c : text) {
        if (c == '\n')
            column = 0;
        else if (c == '\t')
            column = (column / 8 + 1) * 8;
        else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++column;
    }
    return column;
}

// Tabs, then blanks, from column `from` to column `to` (nothing when `from` is past it).
std::string PadTo(int from, int to) {
    std::string pad;
    while ((from / 8 + 1) * 8 <= to) {
        pad += '\t';
        from = (from / 8 + 1) * 8;
    }
    pad.append(std::size_t(std::max(0, to - from)), ' ');
    return pad;
}

// ---- xscreensaver's file syntax -----------------------------------------------------------

// One character of a logical line after xscreensaver's reading, and the raw bytes it came from.
struct ReadChar {
    char c;
    std::size_t begin;
    std::size_t end;
};

// A logical line: physical lines joined where one ends in backslash-newline, then the escapes
// \n, \r, \t and \<any> resolved, exactly as xscreensaver's reader does (including its quirks:
// a line of two bytes never continues, and a backslash that ends the text ends the line).
struct LogicalLine {
    std::size_t rawBegin = 0;
    std::size_t rawEnd = 0;
    std::vector<ReadChar> chars;
};

std::vector<LogicalLine> LogicalLines(std::string_view text) {
    std::vector<LogicalLine> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        LogicalLine line;
        line.rawBegin = pos;
        std::vector<std::pair<char, std::size_t>> joined;
        auto readPhysical = [&] {
            if (pos >= text.size())
                return false;
            const std::size_t newline = text.find('\n', pos);
            const std::size_t end = newline == std::string_view::npos ? text.size() : newline + 1;
            for (std::size_t i = pos; i < end; ++i)
                joined.emplace_back(text[i], i);
            pos = end;
            return true;
        };
        readPhysical();
        while (joined.size() > 2 && (joined.back().first != '\n' || joined[joined.size() - 2].first == '\\')) {
            if (joined[joined.size() - 2].first == '\\')
                joined.resize(joined.size() - 2);
            if (!readPhysical())
                break;
        }
        line.rawEnd = pos;
        for (std::size_t i = 0; i < joined.size(); ++i) {
            if (joined[i].first != '\\') {
                line.chars.push_back({joined[i].first, joined[i].second, joined[i].second + 1});
                continue;
            }
            if (i + 1 == joined.size())
                break;
            const char next = joined[i + 1].first;
            const char resolved = next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
            line.chars.push_back({resolved, joined[i].second, joined[i + 1].second + 1});
            ++i;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string Chars(const std::vector<ReadChar>& chars, std::size_t from, std::size_t to) {
    std::string text;
    for (std::size_t i = from; i < to; ++i)
        text += chars[i].c;
    return text;
}

bool IsHostBlank(char c) { return kBlanks.find(c) != std::string_view::npos; }

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// A resource line: its key and where its value's characters are.
struct Resource {
    const LogicalLine* line = nullptr;
    std::string key;
    std::size_t colon = 0;  // index in line->chars
    std::size_t keyRawBegin = 0;
};

std::vector<Resource> Resources(const std::vector<LogicalLine>& lines) {
    std::vector<Resource> resources;
    for (const LogicalLine& line : lines) {
        const auto& chars = line.chars;
        std::size_t first = 0;
        while (first < chars.size() && IsHostBlank(chars[first].c))
            ++first;
        if (first == chars.size() || chars[first].c == '#' || chars[first].c == '!' || chars[first].c == ';')
            continue;
        std::size_t colon = first;
        while (colon < chars.size() && chars[colon].c != ':')
            ++colon;
        if (colon == chars.size())
            continue;  // xscreensaver skips such a line with a warning
        resources.push_back({&line, std::string(Trimmed(Chars(chars, first, colon))), colon, chars[first].begin});
    }
    return resources;
}

// The last resource whose key is accepted, or nullptr.
const Resource* LastResource(const std::vector<Resource>& resources, const std::function<bool(std::string_view)>& key) {
    const Resource* found = nullptr;
    for (const Resource& r : resources)
        if (key(r.key))
            found = &r;
    return found;
}

bool IsUserProgramsKey(std::string_view key) { return EqualsIgnoreCase(key, "programs"); }

// One entry of a programs value, with the raw spans its removal and replacement need.
struct EntrySpan {
    XScreenSaverProgram program;
    std::size_t contentBegin = 0;  // first non-blank byte of the entry
    std::size_t contentEnd = 0;    // after its last non-blank byte
    std::size_t leadBegin = 0;     // after the separator before it (or after the colon)
    std::size_t precedingSeparator = std::string_view::npos;  // where that separator begins
    bool ownSeparator = false;
    std::size_t separatorEnd = 0;  // after its own separator, when it has one
};

XScreenSaverProgram ParseEntry(std::string_view line) {
    // xscreensaver's own parse: "-", then "visual:", then "\"name\"", then the command.
    XScreenSaverProgram program;
    std::size_t i = 0;
    auto skipSpace = [&] {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
    };
    skipSpace();
    if (i < line.size() && line[i] == '-') {
        program.enabled = false;
        ++i;
        skipSpace();
    }
    std::size_t start = i;
    while (i < line.size() && line[i] != ':' && line[i] != '"' && !std::isspace(static_cast<unsigned char>(line[i])))
        ++i;
    if (i < line.size() && line[i] == ':') {
        program.visual = std::string(line.substr(start, i - start));
        ++i;
        skipSpace();
    } else {
        i = start;
    }
    if (i < line.size() && line[i] == '"') {
        start = ++i;
        while (i < line.size() && line[i] != '"')
            ++i;
        program.name = std::string(line.substr(start, i - start));
        if (i < line.size())
            ++i;
        skipSpace();
    }
    program.command = std::string(Trimmed(line.substr(i)));
    return program;
}

std::vector<EntrySpan> Entries(const Resource& resource) {
    const auto& chars = resource.line->chars;
    std::size_t size = chars.size();
    // The line's own final newline ends the value; every other newline in it is a "\n" escape.
    if (size > resource.colon + 1 && chars[size - 1].c == '\n' && chars[size - 1].end - chars[size - 1].begin == 1)
        --size;
    const std::size_t colonEnd = chars[resource.colon].end;
    std::vector<EntrySpan> entries;
    std::size_t start = resource.colon + 1;
    while (start < size) {
        while (start < size && (chars[start].c == ' ' || chars[start].c == '\t' || chars[start].c == '\n'))
            ++start;
        if (start >= size)
            break;
        std::size_t end = start;
        while (end < size && chars[end].c != '\n')
            ++end;
        std::size_t last = end;
        while (last > start && IsHostBlank(chars[last - 1].c))
            --last;
        EntrySpan entry;
        entry.program = ParseEntry(Chars(chars, start, end));
        entry.contentBegin = chars[start].begin;
        entry.contentEnd = chars[last - 1].end;
        entry.leadBegin = colonEnd;
        for (std::size_t k = start; k > resource.colon + 1; --k)
            if (chars[k - 1].c == '\n') {
                entry.leadBegin = chars[k - 1].end;
                entry.precedingSeparator = chars[k - 1].begin;
                break;
            }
        if (end < size) {
            entry.ownSeparator = true;
            entry.separatorEnd = chars[end].end;
        }
        entries.push_back(std::move(entry));
        start = end + 1;
    }
    return entries;
}

// Text as it may stand in the file: backslashes escaped (the reader would eat them).
std::string EscapedForXScreenSaver(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        if (c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// `"name"  command`, laid out as xscreensaver's settings tool lays out its entries (the quoted
// name ending at column 30, the command from column 32) so the file keeps one look.
std::string EntryLine(std::string_view name, std::string_view command) {
    const std::string quoted = "\"" + std::string(name) + "\"";
    const int width = ColumnAfter(quoted, 0);
    std::string line = width + 2 < 32 ? PadTo(0, 30 - width) + quoted : "  " + quoted;
    const int column = ColumnAfter(line, 0);
    line += column + 1 < 32 ? PadTo(column, 32) : "  ";
    return line + EscapedForXScreenSaver(command);
}

// The blanks that bring an entry line to column 75 before its "\n", as the settings tool does.
std::string SeparatorPad(std::string_view line) {
    const int column = ColumnAfter(line, 0);
    return (column < 75 ? PadTo(column, 75) : std::string()) + " ";
}

// ---- Shell words --------------------------------------------------------------------------

// The words a POSIX shell makes of `command` (quotes and backslashes resolved); nullopt when a
// quote is left open.
std::optional<std::vector<std::string>> ShellWords(std::string_view command) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < command.size(); ++i) {
        const char c = command[i];
        if (c == ' ' || c == '\t' || c == '\n') {
            if (inWord)
                words.push_back(std::exchange(word, {}));
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\'') {
            const std::size_t close = command.find('\'', i + 1);
            if (close == std::string_view::npos)
                return std::nullopt;
            word += command.substr(i + 1, close - i - 1);
            i = close;
        } else if (c == '"') {
            for (++i;; ++i) {
                if (i >= command.size())
                    return std::nullopt;
                if (command[i] == '"')
                    break;
                if (command[i] == '\\' && i + 1 < command.size() &&
                    std::string_view("$`\"\\\n").find(command[i + 1]) != std::string_view::npos)
                    ++i;
                word += command[i];
            }
        } else if (c == '\\') {
            if (i + 1 < command.size())
                word += command[++i];
        } else {
            word += c;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

// ---- Desktop entries ----------------------------------------------------------------------

// A string value as a desktop entry holds it: backslashes doubled, outer blanks as \s.
std::string EscapedForDesktopEntry(std::string_view value) {
    std::string escaped;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const bool outer = i == 0 || i + 1 == value.size() || value.find_first_not_of(' ', i) == std::string_view::npos;
        if (value[i] == '\\')
            escaped += "\\\\";
        else if (value[i] == ' ' && outer)
            escaped += "\\s";
        else
            escaped += value[i];
    }
    return escaped;
}

std::string UnescapedDesktopString(std::string_view value) {
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        const char next = value[++i];
        text += next == 's' ? ' ' : next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
    }
    return text;
}

std::string Slug(std::string_view text) {
    std::string slug;
    for (char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            slug += c;
        else if (c >= 'A' && c <= 'Z')
            slug += char(c - 'A' + 'a');
        else if (!slug.empty() && slug.back() != '-')
            slug += '-';
        if (slug.size() >= 48)
            break;
    }
    while (!slug.empty() && slug.back() == '-')
        slug.pop_back();
    return slug;
}

std::string FileStem(std::string_view absolutePath) {
    return std::filesystem::path(std::string(absolutePath)).stem().string();
}

// ---- Files --------------------------------------------------------------------------------

// Identifies one version of a file, so a write can tell whether someone else wrote in between.
struct FileStamp {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    bool operator==(const FileStamp& o) const {
        return exists == o.exists && (!exists || (device == o.device && inode == o.inode && size == o.size &&
                                                  modified.tv_sec == o.modified.tv_sec &&
                                                  modified.tv_nsec == o.modified.tv_nsec));
    }
};

FileStamp StampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
}

constexpr off_t kLargestSettingsFile = 16 << 20;

struct FileText {
    std::optional<std::string> text;  // nullopt: there is no such file
    FileStamp stamp;
};

Result<FileText> ReadSettingsFile(const std::string& path) {
    FileText file;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return file;
        return ErrnoError("cannot read " + path);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kLargestSettingsFile) {
        const bool notRegular = !S_ISREG(st.st_mode);
        ::close(fd);
        return MakeError(path + (notRegular ? " is not a regular file" : " is too large to be a settings file"));
    }
    std::string text(std::size_t(st.st_size), '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += std::size_t(n);
    }
    text.resize(done);
    ::close(fd);
    file.stamp = {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
    file.text = std::move(text);
    return file;
}

enum class WriteOutcome { Written, Overtaken };

// Writes atomically; when `expected` is given and the target no longer matches it just before
// the rename, nothing is replaced and the outcome is Overtaken.
Result<WriteOutcome> WriteReplacing(const std::string& path, std::string_view text, const FileStamp* expected) {
    const std::string target = WriteThroughTarget(path);
    PendingFile file(target);
    if (!file.IsOpen())
        return ErrnoError("cannot create a temporary file beside " + target);
    if (Status written = file.WriteDurablyKeepingMode(text); !written)
        return written.error();
    if (expected && !(StampOf(target) == *expected))
        return WriteOutcome::Overtaken;  // the pending file goes away unused
    if (Status done = file.Commit(); !done)
        return done.error();
    return WriteOutcome::Written;
}

// What an editor decided about one file.
struct FileEdit {
    std::optional<std::string> newText;  // nullopt: leave the file alone
    HostFileChange change;
};
using FileEditor = std::function<Result<FileEdit>(const std::optional<std::string>& current)>;

// Reads, lets `editor` decide, writes; starts again when the file changed in between (a settings
// tool saving at the same moment), so neither side's change is lost.
Result<HostFileChange> EditFile(const std::string& path, const FileEditor& editor) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        auto current = ReadSettingsFile(path);
        if (!current)
            return current.error();
        auto edit = editor(current->text);
        if (!edit)
            return edit.error();
        if (!edit->newText)
            return edit->change;
        auto written = WriteReplacing(path, *edit->newText, &current->stamp);
        if (!written)
            return written.error();
        if (*written == WriteOutcome::Written)
            return edit->change;
    }
    return MakeError(path + " kept changing while it was being edited; nothing was written, try again");
}

std::optional<std::string> SystemPrograms(const HostLocations& where) {
    for (const std::string& candidate : where.appDefaults) {
        auto file = ReadSettingsFile(candidate);
        if (file && file->text)
            if (auto programs = SystemProgramsResource(*file->text))
                return programs;
    }
    return std::nullopt;
}

struct OwnDesktopEntry {
    std::string path;
    std::string text;
};

// Our .desktop files ("vorlandite-*.desktop") in the folder that name `absolutePath`.
std::vector<OwnDesktopEntry> DesktopEntriesFor(const std::string& folder, std::string_view absolutePath) {
    std::vector<OwnDesktopEntry> found;
    std::error_code ec;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("vorlandite-") && name.ends_with(".desktop") && entry.is_regular_file(ec))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        auto file = ReadSettingsFile(path);
        if (file && file->text && DesktopEntrySource(*file->text) == absolutePath)
            found.push_back({path, *file->text});
    }
    return found;
}

// A link to (or the very file of) the screensaver in a folder MATE runs programs from.
std::optional<std::string> MateSaverProgram(const HostLocations& where, std::string_view absolutePath) {
    std::error_code ec;
    const std::filesystem::path file{std::string(absolutePath)};
    for (const std::string& dir : where.mateSaverDirs)
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
            if (std::filesystem::equivalent(entry.path(), file, ec))
                return entry.path().string();
    return std::nullopt;
}

HostFileChange ChangeOf(HostFileChange::Kind kind, std::string path, std::string detail) {
    return {kind, std::move(path), std::move(detail)};
}

} // namespace

// ---- Text ---------------------------------------------------------------------------------------

std::string HostDisplayName(std::string_view name) {
    std::string cleaned;
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t length = Utf8SequenceLength(name, i);
        const auto byte = static_cast<unsigned char>(name[i]);
        const bool c1Control = length == 2 && byte == 0xC2 && static_cast<unsigned char>(name[i + 1]) < 0xA0;
        if (length == 0) {
            cleaned += '?';
            ++i;
            continue;
        }
        if (byte < 0x20 || byte == 0x7F || c1Control)
            cleaned += ' ';
        else if (name[i] == '"')
            cleaned += '\'';
        else if (name[i] == '\\')
            cleaned += '/';
        else
            cleaned += name.substr(i, length);
        i += length;
    }
    std::string collapsed;
    for (char c : cleaned)
        if (c != ' ' || (!collapsed.empty() && collapsed.back() != ' '))
            collapsed += c;
    while (!collapsed.empty() && collapsed.back() == ' ')
        collapsed.pop_back();
    return collapsed;
}

std::string ShellQuoted(std::string_view word) {
    const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) ||
               std::string_view("_@%+=:,./-").find(c) != std::string_view::npos;
    });
    if (plain)
        return std::string(word);
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\"'\"'") : std::string(1, c);
    return quoted + "'";
}

std::optional<std::string> UnusableHostPath(std::string_view absolutePath) {
    if (absolutePath.empty() || absolutePath.front() != '/')
        return "the path is not absolute";
    for (char c : absolutePath)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return "its path holds a control character, which neither xscreensaver's list nor a desktop entry can "
                   "carry; rename the file";
    if (absolutePath.find('\\') != std::string_view::npos)
        return "its path holds a backslash, which xscreensaver's settings tool does not write back intact; rename "
               "the file";
    if (absolutePath.find('=') != std::string_view::npos)
        return "its path holds '=', and xscreensaver would take the command for a variable assignment; rename the "
               "file";
    if (!IsUtf8(absolutePath))
        return "its path is not valid UTF-8, which a desktop entry needs; rename the file";
    return std::nullopt;
}

std::string HostedCommand(std::string_view absolutePath) { return ShellQuoted(absolutePath) + " --root"; }

std::optional<std::vector<XScreenSaverProgram>> ReadXScreenSaverPrograms(std::string_view fileText) {
    const auto lines = LogicalLines(fileText);
    const auto resources = Resources(lines);
    const Resource* programs = LastResource(resources, IsUserProgramsKey);
    if (!programs)
        return std::nullopt;
    std::vector<XScreenSaverProgram> list;
    for (EntrySpan& entry : Entries(*programs))
        list.push_back(std::move(entry.program));
    return list;
}

bool RunsHosted(std::string_view command, std::string_view absolutePath) {
    // xscreensaver's settings tool breaks a long entry at blanks, inside quotes too, and turns
    // each such blank into a run of them: blank runs are compared as one.
    auto blanksAsOne = [](std::string_view text) {
        std::string squeezed;
        for (char c : text)
            if (!(c == ' ' || c == '\t') || squeezed.empty() || squeezed.back() != ' ')
                squeezed += c == '\t' ? ' ' : c;
        return squeezed;
    };
    const auto words = ShellWords(command);
    return words && words->size() == 2 && blanksAsOne((*words)[0]) == blanksAsOne(absolutePath) &&
           ((*words)[1] == "--root" || (*words)[1] == "-root");
}

std::optional<std::string> SystemProgramsResource(std::string_view appDefaultsText) {
    const auto lines = LogicalLines(appDefaultsText);
    const auto resources = Resources(lines);
    const Resource* programs = LastResource(resources, [](std::string_view key) {
        return key == "*programs" || key == "XScreenSaver.programs" || key == "XScreenSaver*programs";
    });
    if (!programs)
        return std::nullopt;
    const std::size_t colonRaw = programs->line->chars[programs->colon].begin;
    std::string resource =
        "programs" + std::string(appDefaultsText.substr(colonRaw, programs->line->rawEnd - colonRaw));
    if (!resource.ends_with('\n'))
        resource += '\n';
    return resource;
}

std::string NewXScreenSaverFile(std::string_view systemPrograms) {
    std::string text =
        "# XScreenSaver Preferences File\n"
        "# Written by vorlandite register: the system's programs and the screensavers added to them.\n"
        "# Every setting left out here is taken from xscreensaver's defaults; xscreensaver-settings\n"
        "# writes the whole file when a setting is changed there.\n"
        "\n";
    text += systemPrograms.empty() ? std::string_view("programs:\n") : systemPrograms;
    return text;
}

EditedText AddXScreenSaverProgram(std::string_view fileText, std::string_view systemPrograms, std::string_view title,
                                  std::string_view absolutePath) {
    const std::string name = HostDisplayName(title);
    const std::string command = HostedCommand(absolutePath);
    std::string text(fileText);
    std::string appended;
    auto lines = LogicalLines(text);
    auto resources = Resources(lines);
    const Resource* programs = LastResource(resources, IsUserProgramsKey);
    if (!programs) {
        // xscreensaver would otherwise show the system's list; keep it and add to it.
        if (!text.empty() && !text.ends_with('\n'))
            text += '\n';
        text += "\n";
        text += systemPrograms.empty() ? std::string_view("programs:\n") : systemPrograms;
        appended = "the system's programs list, then ";
        lines = LogicalLines(text);
        resources = Resources(lines);
        programs = LastResource(resources, IsUserProgramsKey);
    }
    const auto entries = Entries(*programs);
    for (const EntrySpan& entry : entries) {
        if (!RunsHosted(entry.program.command, absolutePath))
            continue;
        if (entry.program.name == name)
            return {std::string(fileText), false, "\"" + name + "\" is in its programs already"};
        std::string content = entry.program.enabled ? "" : "- ";
        if (!entry.program.visual.empty())
            content += entry.program.visual + ": ";
        content += "\"" + name + "\"  " + EscapedForXScreenSaver(entry.program.command);
        text.replace(entry.contentBegin, entry.contentEnd - entry.contentBegin, content);
        return {std::move(text), true,
                "renamed its programs entry for " + std::string(absolutePath) + " to \"" + name + "\""};
    }
    const std::string line = EntryLine(name, command);
    std::size_t at;
    std::string insertion;
    if (entries.empty()) {
        at = programs->line->chars[programs->colon].end;
        insertion = "\\\n" + line + SeparatorPad(line) + "\\n";
    } else if (entries.back().ownSeparator) {
        at = entries.back().separatorEnd;
        insertion = "\\\n" + line + SeparatorPad(line) + "\\n";
    } else {
        at = entries.back().contentEnd;
        insertion = "\\n\\\n" + line;
    }
    text.insert(at, insertion);
    return {std::move(text), true, "added " + appended + "\"" + name + "\" (" + command + ") to its programs"};
}

EditedText RemoveXScreenSaverProgram(std::string_view fileText, std::string_view absolutePath) {
    std::string text(fileText);
    int removed = 0;
    // One entry at a time, each from a fresh reading, so every span is measured on the text as
    // it is.
    for (;;) {
        const auto lines = LogicalLines(text);
        const auto resources = Resources(lines);
        const Resource* programs = LastResource(resources, IsUserProgramsKey);
        if (!programs)
            break;
        const auto entries = Entries(*programs);
        auto ours = std::find_if(entries.begin(), entries.end(),
                                 [&](const EntrySpan& e) { return RunsHosted(e.program.command, absolutePath); });
        if (ours == entries.end())
            break;
        std::size_t from, to;
        if (ours->ownSeparator) {
            from = ours->leadBegin;
            to = ours->separatorEnd;
        } else {
            from = ours->precedingSeparator != std::string_view::npos ? ours->precedingSeparator : ours->leadBegin;
            to = ours->contentEnd;
        }
        text.erase(from, to - from);
        ++removed;
    }
    if (removed == 0)
        return {std::string(fileText), false, "no programs entry runs " + std::string(absolutePath)};
    return {std::move(text), true,
            "removed " +
                std::string(removed == 1 ? "the programs entry" : std::to_string(removed) + " programs entries") +
                " that ran " + std::string(absolutePath)};
}

std::string DesktopEntryFileName(std::string_view title, std::string_view absolutePath) {
    std::string slug = Slug(title);
    if (slug.empty())
        slug = Slug(FileStem(absolutePath));
    if (slug.empty())
        slug = "screensaver";
    return "vorlandite-" + slug + ".desktop";
}

std::string DesktopExecArgument(std::string_view path) {
    constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string argument;
    if (path.find_first_of(kReserved) == std::string_view::npos) {
        argument = path;
    } else {
        argument = "\"";
        for (char c : path) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                argument += '\\';
            argument += c;
        }
        argument += "\"";
    }
    std::string fieldsEscaped;
    for (char c : argument)
        fieldsEscaped += c == '%' ? std::string("%%") : std::string(1, c);
    // The quoting above is read from the value after its string escapes are resolved.
    std::string escaped;
    for (char c : fieldsEscaped)
        escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return escaped;
}

std::string DesktopEntryText(std::string_view title, std::string_view program, std::string_view absolutePath) {
    std::string name = HostDisplayName(title);
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" + EscapedForDesktopEntry(name) + "\n"
           "Comment=A Vorlandite slideshow screensaver\n"
           "Exec=" + DesktopExecArgument(program) + " --root\n"
           "TryExec=" + EscapedForDesktopEntry(program) + "\n"
           "Categories=Screensaver;\n"
           // As the system's own screensaver entries: listed by MATE's screensaver, kept out of
           // other desktops' application menus.
           "OnlyShowIn=MATE;\n"
           "StartupNotify=false\n"
           "Terminal=false\n"
           "X-Vorlandite-File=" + EscapedForDesktopEntry(absolutePath) + "\n";
}

std::optional<std::string> DesktopEntrySource(std::string_view desktopText) {
    bool inMainGroup = false;
    std::size_t pos = 0;
    while (pos < desktopText.size()) {
        std::size_t end = desktopText.find('\n', pos);
        if (end == std::string_view::npos)
            end = desktopText.size();
        std::string_view line = desktopText.substr(pos, end - pos);
        pos = end + 1;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.starts_with('['))
            inMainGroup = line == "[Desktop Entry]";
        if (!inMainGroup)
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || Trimmed(line.substr(0, eq)) != "X-Vorlandite-File")
            continue;
        std::string_view value = line.substr(eq + 1);
        value.remove_prefix(std::min(value.size(), value.find_first_not_of(" \t")));
        return UnescapedDesktopString(value);
    }
    return std::nullopt;
}

// ---- Files ----------------------------------------------------------------------------------

Result<HostLocations> HostLocationsFromEnvironment() {
    const char* home = std::getenv("HOME");
    if (!home || !*home)
        return MakeError("HOME is not set, so the user's settings files cannot be found");
    std::string homeFolder = home;
    while (homeFolder.size() > 1 && homeFolder.back() == '/')
        homeFolder.pop_back();
    std::string data = homeFolder + "/.local/share";
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/')
        data = xdg;
    HostLocations where;
    where.xscreensaverFile = homeFolder + "/.xscreensaver";
    where.desktopEntryFolder = data + "/applications/screensavers";
    // Debian keeps app-defaults under /etc, most other systems under /usr/share.
    where.appDefaults = {"/etc/X11/app-defaults/XScreenSaver", "/usr/share/X11/app-defaults/XScreenSaver",
                         "/usr/lib/X11/app-defaults/XScreenSaver"};
    where.mateSaverDirs = {"/usr/libexec/xscreensaver", "/usr/lib/xscreensaver",
                           "/usr/lib/mate-screensaver/mate-screensaver", "/usr/lib/mate-screensaver/xscreensaver"};
    return where;
}

Status WriteFileAtomically(const std::string& path, std::string_view text) {
    auto written = WriteReplacing(path, text, nullptr);
    if (!written)
        return written.error();
    return {};
}

Result<HostRegistrationReport> RegisterWithHosts(const HostLocations& where, std::string_view title,
                                                 std::string_view absolutePath) {
    if (auto problem = UnusableHostPath(absolutePath))
        return MakeError(std::string(absolutePath) + ": " + *problem);
    const std::string name =
        HostDisplayName(title).empty() ? HostDisplayName(FileStem(absolutePath)) : HostDisplayName(title);
    HostRegistrationReport report;

    const std::optional<std::string> system = SystemPrograms(where);
    const std::string& settings = where.xscreensaverFile;
    auto xscreensaver = EditFile(settings, [&](const std::optional<std::string>& current) -> Result<FileEdit> {
        if (!current) {
            EditedText added = AddXScreenSaverProgram(NewXScreenSaverFile(system.value_or("")), "", name, absolutePath);
            return FileEdit{added.text, ChangeOf(HostFileChange::Kind::Created, settings,
                                               std::string(system ? "the system's programs" : "a programs list") +
                                                   " with \"" + name + "\" (" + HostedCommand(absolutePath) + ")")};
        }
        EditedText added = AddXScreenSaverProgram(*current, system.value_or(""), name, absolutePath);
        if (!added.changed)
            return FileEdit{std::nullopt, ChangeOf(HostFileChange::Kind::Unchanged, settings, added.summary)};
        return FileEdit{added.text, ChangeOf(HostFileChange::Kind::Updated, settings, added.summary)};
    });
    if (!xscreensaver)
        return xscreensaver.error();
    report.changes.push_back(*xscreensaver);
    if (absolutePath.find(' ') != std::string_view::npos)
        report.notes.push_back("xscreensaver-settings, when it saves, breaks a long programs entry at its blanks, "
                               "even inside the quoted path, and xscreensaver then cannot start it; a path without "
                               "blanks is safe from that");
    if (!system && xscreensaver->kind == HostFileChange::Kind::Created)
        report.notes.push_back("xscreensaver's app-defaults file was not found, so the new programs list holds only "
                               "this screensaver; xscreensaver adds its own programs to it when it reads the file");

    std::error_code ec;
    std::filesystem::create_directories(where.desktopEntryFolder, ec);
    if (ec)
        return MakeError("cannot create " + where.desktopEntryFolder + ": " + ec.message());
    const std::optional<std::string> linked = MateSaverProgram(where, absolutePath);
    const std::string text = DesktopEntryText(name, linked.value_or(std::string(absolutePath)), absolutePath);
    const auto existing = DesktopEntriesFor(where.desktopEntryFolder, absolutePath);
    std::string path;
    if (!existing.empty()) {
        path = existing.front().path;
    } else {
        // Another screensaver may have the same title: the next free name then.
        const std::string base = DesktopEntryFileName(name, absolutePath);
        const std::string stem = base.substr(0, base.size() - std::string_view(".desktop").size());
        for (int n = 1; n < 100 && path.empty(); ++n) {
            const std::string candidate =
                where.desktopEntryFolder + "/" + (n == 1 ? base : stem + "-" + std::to_string(n) + ".desktop");
            struct stat st {};
            if (::lstat(candidate.c_str(), &st) != 0 && errno == ENOENT)
                path = candidate;
        }
        if (path.empty())
            return MakeError("no free file name for " + base + " in " + where.desktopEntryFolder);
    }
    auto desktop = EditFile(path, [&](const std::optional<std::string>& current) -> Result<FileEdit> {
        if (current && DesktopEntrySource(*current) != absolutePath)
            return MakeError(path + " appeared meanwhile for another file; nothing was written, try again");
        if (current && *current == text)
            return FileEdit{std::nullopt, ChangeOf(HostFileChange::Kind::Unchanged, path, "it is up to date")};
        return FileEdit{text, ChangeOf(current ? HostFileChange::Kind::Updated : HostFileChange::Kind::Created, path,
                                       "MATE's screensaver entry \"" + name + "\"")};
    });
    if (!desktop)
        return desktop.error();
    report.changes.push_back(*desktop);
    if (!linked) {
        const std::string& dir = where.mateSaverDirs.empty() ? std::string("/usr/libexec/xscreensaver")
                                                             : where.mateSaverDirs.front();
        std::string link = dir + "/" + DesktopEntryFileName(name, absolutePath);
        link.resize(link.size() - std::string_view(".desktop").size());
        report.notes.push_back("MATE's screensaver runs only programs inside " + dir + " and a few system folders "
                               "like it; for MATE to run this one, link it there and register again: sudo ln -s " +
                               ShellQuoted(absolutePath) + " " + ShellQuoted(link));
    }
    return report;
}

Result<HostRegistrationReport> UnregisterFromHosts(const HostLocations& where, std::string_view absolutePath) {
    HostRegistrationReport report;
    const std::string& settings = where.xscreensaverFile;
    auto xscreensaver = EditFile(settings, [&](const std::optional<std::string>& current) -> Result<FileEdit> {
        if (!current)
            return FileEdit{std::nullopt,
                            ChangeOf(HostFileChange::Kind::Unchanged, settings, "there is no such file")};
        EditedText removed = RemoveXScreenSaverProgram(*current, absolutePath);
        if (!removed.changed)
            return FileEdit{std::nullopt, ChangeOf(HostFileChange::Kind::Unchanged, settings, removed.summary)};
        return FileEdit{removed.text, ChangeOf(HostFileChange::Kind::Updated, settings, removed.summary)};
    });
    if (!xscreensaver)
        return xscreensaver.error();
    report.changes.push_back(*xscreensaver);

    const auto entries = DesktopEntriesFor(where.desktopEntryFolder, absolutePath);
    for (const OwnDesktopEntry& entry : entries) {
        if (::unlink(entry.path.c_str()) != 0 && errno != ENOENT)
            return ErrnoError("cannot remove " + entry.path);
        report.changes.push_back(ChangeOf(HostFileChange::Kind::Removed, entry.path, "MATE's screensaver entry"));
    }
    if (entries.empty())
        report.changes.push_back(ChangeOf(HostFileChange::Kind::Unchanged, where.desktopEntryFolder,
                                        "no screensaver entry names " + std::string(absolutePath)));
    return report;
}

} // namespace vorlandite::platform
