#pragma once
// The text form of the per-user registry: REGEDIT4 syntax, the way the platform's registry
// editor exports it and the way a person writes it by hand.
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Quenmore\My Show]
//   "Seconds"=dword:0000000c
//   "Effect"="AB\\C"
//   "Odd"=hex(1):41,0a,e9,00
//
// Names and strings in memory are Windows-1252 bytes, like every other text of the engine. The
// file itself is UTF-8: names are converted on the way out and back (a file someone wrote in
// Windows-1252 is read as it is), and a string that is not printable ASCII is written as a
// hex(1) byte list with its terminating 00, so any 8-bit string survives exactly and the file
// stays plain ASCII apart from non-ASCII key and value names, which the syntax has no escape
// for.
//
// The reader is lenient where a hand-written file deserves it (blank lines, ';' comments, any
// letter case, CR LF line ends, continuation lines, a value line's trailing comment, the
// deletion forms "[-key]" and "name"=-). A line it cannot read is skipped and reported, and
// kept as it is in its place, so one typo neither hides the rest of the file nor is lost by the
// next save; a key line it cannot read takes the lines below it (up to the next key) with it,
// as they belong to a key it cannot name. Only a text without the "REGEDIT4" line is refused:
// that is not a store at all. Value types other than REG_SZ and REG_DWORD are kept as their
// original lines and written back unchanged. Comment lines travel with the section or value
// below them.

#include "base/Result.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorlandite::platform {

// Unreadable: lines the reader could not read, kept for the next save. Such an entry is no
// value: FindValue, SetValue and RemoveValue pass over it. Its name is the value name its line
// starts with when that much could be read, else empty.
enum class RegValueKind { Integer, String, Other, Unreadable };

struct RegValue {
    std::string name;  // "" is the key's default value, written "@"
    RegValueKind kind = RegValueKind::String;
    uint32_t integer = 0;               // Integer (REG_DWORD)
    std::string text;                   // String (REG_SZ)
    std::vector<std::string> rawLines;  // Other, Unreadable: the lines as read, written back as they are
    std::vector<std::string> comments;  // comment lines that stood above the value
    std::string lineComment;            // "  ; ..." after the value on its own line
};

struct RegSection {
    std::string root;                // "HKEY_CURRENT_USER" as spelled in the file
    std::vector<std::string> names;  // the key path below the root, one name per level
    std::vector<RegValue> values;
    std::vector<std::string> comments;
    // A key line that could not be read, written back as it is; root and names are then empty
    // (so no key is found here) and every value is an Unreadable entry.
    std::string unreadableKeyLine;
};

struct RegDocument {
    std::vector<RegSection> sections;
    std::vector<std::string> closingComments;  // comments after the last entry
    // Lines outside any key that could not be read (before the first key, or after a "[-key]"
    // line); written back right after the "REGEDIT4" line, where they are still outside any key.
    std::vector<std::string> strayLines;
};

struct RegProblem {
    std::size_t line = 0;  // 1-based
    std::string reason;
};

// A text that is empty or blank is an empty document. Fails only when the text is not a store
// (its first line is not "REGEDIT4"; the error names the line, "line 1: ..."). Lines that are
// skipped are listed in `skipped` when it is given.
Result<RegDocument> ParseRegFile(std::string_view text, std::vector<RegProblem>* skipped = nullptr);
std::string SerializeRegFile(const RegDocument& document);

// ---- names --------------------------------------------------------------------------------

// Letter case of names is ignored for ASCII letters and for the Latin letters of
// Windows-1252 that have both cases (À..Þ with à..þ, Š, Œ, Ž, Ÿ).
bool SameName(std::string_view a, std::string_view b);

// "\Software\Quenmore\My Show" -> {"Software", "Quenmore", "My Show"}; empty names are skipped.
std::vector<std::string> SplitKeyPath(std::string_view path);
std::string JoinKeyPath(std::span<const std::string> names);

// A name can go into a line of the file: no control characters (bytes below 0x20, 0x7F).
bool IsStorableName(std::string_view name);

// ---- keys of the current user ------------------------------------------------------------
// Sections under other roots are carried along untouched. A key exists when it has its own
// section or a section below it; the root (no names) always exists.

bool KeyExists(const RegDocument& document, std::span<const std::string> names);
const RegSection* FindSection(const RegDocument& document, std::span<const std::string> names);
RegSection* FindSection(RegDocument& document, std::span<const std::string> names);
// Gives the key its own section when it has none. Levels that exist keep their spelling; the
// new section goes after its nearest relatives so related keys stay together in the file.
RegSection& CreateKey(RegDocument& document, std::span<const std::string> names);
// Removes the key's section and every section below it; false when there was none.
bool RemoveKey(RegDocument& document, std::span<const std::string> names);

const RegValue* FindValue(const RegSection& section, std::string_view name);
// Whether the key holds a line for `name` that could not be read.
bool HasUnreadableValue(const RegSection& section, std::string_view name);
// Replaces a value of the same name in place (keeping its first spelling and its comments),
// or appends it.
void SetValue(RegSection& section, RegValue value);
bool RemoveValue(RegSection& section, std::string_view name);

} // namespace vorlandite::platform
