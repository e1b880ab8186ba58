#include "PayloadJson.h"

#include "base/Windows1252.h"
#include "payload/PayloadLayout.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>

namespace vorlandite::tools {

using payload::Content;
using payload::DraftItem;
using payload::Field;
using payload::FieldType;
using payload::PayloadDraft;
using payload::TKelFixedSizeInfo;
using payload::TKelImageInfo;
using payload::TKelMaskInfo;
using payload::TKelMelodyInfo;
using payload::TKelSoundInfo;

namespace {

constexpr std::size_t kStringRoom = 0xFFFF;  // a payload string's 16-bit length

// Sizes, counts and positions follow from the content; the author never sets them.
constexpr std::array<std::string_view, 20> kComputedHeaderFields = {
    "PayloadSize",          "FileSizeAtRun",        "ImageCount",        "MelodyCount",
    "MaskCount",            "ImageSectionSize",     "BackgroundStoredSize", "BackgroundSize",
    "MaskSectionSize",      "PreviewSize",          "MelodySectionSize", "StringBlockSize",
    "ConfigBannerSize",     "FlashPlayerSize",      "ExitBannerStoredSize", "ExitBannerSize",
    "LogoSize",             "LogoStoredSize",       "EnterSoundSectionSize", "EnterSoundCount",
};
constexpr std::array<std::string_view, 3> kComputedRecordFields = {"Offset", "Size", "StoredSize"};
constexpr std::array<std::string_view, 4> kComputedImageFields = {"Offset", "Size", "StoredSize", "Kind"};
constexpr std::array<std::string_view, 2> kItemContentKeys = {"File", "Compressed"};

// Sections whose whole content is one file, and whether the payload always deflates it.
struct WholeSection {
    int number;
    bool compressed;
    std::optional<Content> PayloadDraft::*content;
    std::string_view extField;  // header field naming the extension, or empty
};
constexpr WholeSection kWholeSections[] = {
    {payload::kFlashPlayerSection, false, &PayloadDraft::flashPlayer, ""},
    {payload::kPreviewSection, false, &PayloadDraft::preview, ""},
    {payload::kConfigBannerSection, false, &PayloadDraft::configBanner, ""},
    {payload::kExitBannerSection, true, &PayloadDraft::exitBanner, "ExitBannerExt"},
    {payload::kLogoSection, true, &PayloadDraft::logo, "LogoExt"},
    {payload::kBackgroundSection, true, &PayloadDraft::background, "BackgroundExt"},
};

// Where the content of a section with records comes from instead of a "File".
std::string_view RecordTableOf(int section) {
    switch (section) {
    case payload::kImageSection: return "Images";
    case payload::kMaskSection: return "Masks";
    case payload::kEnterSoundSection: return "Sounds";
    case payload::kMelodySection: return "Melodies";
    default: return "Strings";
    }
}

template <std::size_t N>
bool Contains(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The effect sets: one byte per enabled effect, the byte being the effect's number.
bool IsEffectSet(std::string_view name) { return name == "Effect" || name == "EffectList"; }

// ---- to JSON ---------------------------------------------------------------------------

Json EffectCodes(const std::string& bytes) {
    Json codes = Json::array();
    for (char c : bytes)
        codes.push_back(unsigned(static_cast<uint8_t>(c)));
    return codes;
}

template <class R>
Json FieldToJson(const Field<R>& f, const R& record) {
    switch (f.type) {
    case FieldType::Int32: return record.*f.i32;
    case FieldType::Int64AsI32: return record.*f.i64;
    case FieldType::Flag: return record.*f.flag;
    case FieldType::Byte: return unsigned(record.*f.byte);
    case FieldType::Extension:
    case FieldType::ShortText:
        return IsEffectSet(f.name) ? EffectCodes(record.*f.text) : Json(Cp1252ToUtf8(record.*f.text));
    }
    return nullptr;
}

template <class R>
Json RecordToJson(std::span<const Field<R>> fields, const R& record) {
    Json object = Json::object();
    for (const auto& f : fields)
        object[std::string(f.name)] = FieldToJson(f, record);
    return object;
}

template <class R>
Json ItemsToJson(std::span<const Field<R>> fields, const std::vector<R>& records) {
    Json items = Json::array();
    for (const R& record : records) {
        Json item = RecordToJson(fields, record);
        if constexpr (std::is_same_v<R, TKelImageInfo>)
            item["Kind"] = std::string(payload::ItemKindName(payload::KindOfExtension(record.Ext)));
        item["Compressed"] = record.StoredSize > 0;
        items.push_back(std::move(item));
    }
    return items;
}

// ---- from JSON -------------------------------------------------------------------------

Error Fault(const std::string& path, const std::string& problem) { return MakeError(path + ": " + problem); }

std::string Describe(const Json& value) {
    if (value.is_number_float())
        return "a fractional number";
    if (value.is_number())
        return "a number";
    return std::string(value.is_array() || value.is_object() ? "an " : "a ") + value.type_name();
}

Error WrongType(const std::string& path, std::string_view expected, const Json& value) {
    return Fault(path, "expected " + std::string(expected) + ", got " + Describe(value));
}

Result<int64_t> ReadInteger(const Json& value, const std::string& path, int64_t lowest, int64_t highest,
                            std::string_view range) {
    if (value.is_number_float()) {
        // Integers beyond 64 bits reach us as floating point: out of range, not fractional.
        const double d = value.get<double>();
        if (std::isfinite(d) && std::trunc(d) == d)
            return Fault(path, value.dump() + " is " + std::string(range));
    }
    if (!value.is_number_integer())
        return WrongType(path, "an integer", value);
    if (value.is_number_unsigned()) {
        auto u = value.get<uint64_t>();
        if (u > uint64_t(highest) || (lowest > 0 && u < uint64_t(lowest)))
            return Fault(path, std::to_string(u) + " is " + std::string(range));
        return int64_t(u);
    }
    auto v = value.get<int64_t>();
    if (v < lowest || v > highest)
        return Fault(path, std::to_string(v) + " is " + std::string(range));
    return v;
}

Result<std::string> ReadText(const Json& value, const std::string& path, std::size_t room, bool extension) {
    if (!value.is_string())
        return WrongType(path, "a string", value);
    auto bytes = Utf8ToCp1252(value.get_ref<const std::string&>());
    if (!bytes)
        return Fault(path, "text not representable in Windows-1252");
    if (bytes->size() > room)
        return Fault(path, std::to_string(bytes->size()) + " bytes, at most " + std::to_string(room) + " fit");
    // An extension ends at its first NUL: anything after it would be lost.
    if (extension && bytes->find('\0') != std::string::npos)
        return Fault(path, "an extension cannot hold a NUL character");
    return std::move(*bytes);
}

Result<std::string> ReadEffects(const Json& value, const std::string& path, std::size_t room) {
    if (!value.is_array())
        return WrongType(path, "an array of effect codes", value);
    if (value.size() > room)
        return Fault(path, std::to_string(value.size()) + " effects, at most " + std::to_string(room) + " fit");
    std::string codes;
    for (std::size_t i = 0; i < value.size(); ++i) {
        auto code = ReadInteger(value[i], path + "[" + std::to_string(i) + "]", kFirstEffect, kLastEffect,
                                "not an effect code (1 to 120)");
        if (!code)
            return code.error();
        codes += char(*code);
    }
    return codes;
}

template <class R>
Status ReadField(const Field<R>& f, const Json& value, const std::string& path, R& record) {
    switch (f.type) {
    case FieldType::Int32: {
        auto v = ReadInteger(value, path, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
                             "outside the int32 range (-2147483648 to 2147483647)");
        if (!v)
            return v.error();
        record.*f.i32 = int32_t(*v);
        return {};
    }
    case FieldType::Int64AsI32: {
        auto v = ReadInteger(value, path, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(), "");
        if (!v)
            return v.error();
        record.*f.i64 = *v;
        return {};
    }
    case FieldType::Flag:
        if (!value.is_boolean())
            return WrongType(path, "true or false", value);
        record.*f.flag = value.get<bool>();
        return {};
    case FieldType::Byte: {
        auto v = ReadInteger(value, path, 0, 255, "outside a byte's range (0 to 255)");
        if (!v)
            return v.error();
        record.*f.byte = uint8_t(*v);
        return {};
    }
    case FieldType::Extension:
    case FieldType::ShortText: {
        auto text = IsEffectSet(f.name) ? ReadEffects(value, path, f.room)
                                        : ReadText(value, path, f.room, f.type == FieldType::Extension);
        if (!text)
            return text.error();
        record.*f.text = std::move(text).value();
        return {};
    }
    }
    return {};
}

template <class R>
const Field<R>* FindField(std::span<const Field<R>> fields, std::string_view name) {
    for (const auto& f : fields)
        if (f.name == name)
            return &f;
    return nullptr;
}

// Reads the fields of one record object. Keys in `skipped` are computed (ignored) or read by
// the caller; any other key must name a field. `present` receives the fields read.
template <class R, std::size_t N, std::size_t M>
Status ReadRecord(std::span<const Field<R>> fields, const Json& object, const std::string& path, R& record,
                  const std::array<std::string_view, N>& ignored, const std::array<std::string_view, M>& callerKeys,
                  std::set<std::string>& present) {
    if (!object.is_object())
        return WrongType(path, "an object", object);
    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::string& key = it.key();
        if (Contains(ignored, key) || Contains(callerKeys, key))
            continue;
        const Field<R>* f = FindField(fields, key);
        if (!f)
            return Fault(path + "." + key, "unknown field");
        if (Status s = ReadField(*f, it.value(), path + "." + key, record); !s)
            return s;
        present.insert(key);
    }
    return {};
}

// A content file named by the manifest: it must exist and be a regular file now, so the
// refusal can name the manifest field rather than come half-way through writing.
Result<std::string> ReadContentPath(const Json& value, const std::string& path, const std::filesystem::path& folder) {
    if (!value.is_string())
        return WrongType(path, "a file path", value);
    const std::string& text = value.get_ref<const std::string&>();
    if (text.empty())
        return Fault(path, "empty file path");
    std::filesystem::path file(text);
    if (file.is_relative())
        file = folder / file;
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return Fault(path, "cannot read " + file.string() + ": " + std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        return Fault(path, file.string() + " is not a regular file");
    if (::access(file.c_str(), R_OK) != 0)
        return Fault(path, "cannot read " + file.string() + ": " + std::strerror(errno));
    return file.string();
}

// An extension field the manifest leaves out takes the extension of its content file.
template <class R>
Status DefaultExtension(std::span<const Field<R>> fields, std::string_view fieldName, const std::string& file,
                        const std::string& path, R& record) {
    const Field<R>* f = FindField(fields, fieldName);
    if (!f)
        return {};
    const std::string ext = std::filesystem::path(file).extension().string();
    if (Status s = ReadField(*f, Json(ext), path, record); !s)
        return MakeError(s.message() + " (taken from the extension of " + file + "; give " + std::string(fieldName) +
                         " to override)");
    return {};
}

template <class R, std::size_t N>
Status ReadItems(const Json& manifest, std::string_view table, std::span<const Field<R>> fields, const R& defaults,
                 const std::array<std::string_view, N>& ignored, const std::filesystem::path& folder,
                 std::vector<DraftItem<R>>& items) {
    auto found = manifest.find(table);
    if (found == manifest.end())
        return {};
    if (!found->is_array())
        return WrongType(std::string(table), "an array", *found);
    for (std::size_t i = 0; i < found->size(); ++i) {
        const Json& object = (*found)[i];
        const std::string path = std::string(table) + "[" + std::to_string(i) + "]";
        R record = defaults;
        std::set<std::string> present;
        if (Status s = ReadRecord(fields, object, path, record, ignored, kItemContentKeys, present); !s)
            return s;
        auto fileJson = object.find("File");
        if (fileJson == object.end())
            return Fault(path + ".File", "missing: every record needs the file of its content");
        auto file = ReadContentPath(*fileJson, path + ".File", folder);
        if (!file)
            return file.error();
        bool compressed = false;
        if (auto c = object.find("Compressed"); c != object.end()) {
            if (!c->is_boolean())
                return WrongType(path + ".Compressed", "true or false", *c);
            compressed = c->get<bool>();
        }
        if (!present.contains("Ext"))
            if (Status s = DefaultExtension(fields, "Ext", *file, path + ".Ext", record); !s)
                return s;
        items.push_back(DraftItem<R>{record, Content::FromFile(*file), compressed});
    }
    return {};
}

// The "Sections" array: sections 1 to 5 and 9 may name their content file; the other entries
// (what inspect prints) are accepted as long as they claim nothing the records do not say.
Status ReadSections(const Json& manifest, const std::filesystem::path& folder, PayloadDraft& draft,
                    std::array<std::string, payload::kSectionCount + 1>& files) {
    auto found = manifest.find("Sections");
    if (found == manifest.end())
        return {};
    if (!found->is_array())
        return WrongType("Sections", "an array", *found);
    std::set<int> seen;
    for (std::size_t i = 0; i < found->size(); ++i) {
        const Json& entry = (*found)[i];
        const std::string path = "Sections[" + std::to_string(i) + "]";
        if (!entry.is_object())
            return WrongType(path, "an object", entry);
        auto numberJson = entry.find("Number");
        if (numberJson == entry.end())
            return Fault(path + ".Number", "missing");
        int number = payload::kSectionCount + 1;  // the string block
        if (!(numberJson->is_string() && numberJson->get_ref<const std::string&>() == "Strings")) {
            auto n = ReadInteger(*numberJson, path + ".Number", 1, payload::kSectionCount,
                                 "not a section number (1 to 10, or \"Strings\")");
            if (!n)
                return n.error();
            number = int(*n);
        }
        if (!seen.insert(number).second)
            return Fault(path + ".Number", "the section appears twice");
        const WholeSection* whole = nullptr;
        for (const WholeSection& w : kWholeSections)
            if (w.number == number)
                whole = &w;
        const std::string sectionName =
            number > payload::kSectionCount ? std::string("the string block") : "section " + std::to_string(number);

        for (auto it = entry.begin(); it != entry.end(); ++it) {
            const std::string& key = it.key();
            const std::string keyPath = path + "." + key;
            if (key == "Number" || key == "Start" || key == "Size")
                continue;
            if (key == "Compressed") {
                if (!it->is_boolean())
                    return WrongType(keyPath, "true or false", *it);
                if (!whole)
                    return Fault(keyPath, sectionName + " is made from " + std::string(RecordTableOf(number)) +
                                              (number > payload::kSectionCount ? "" : "; give Compressed on each record"));
                if (it->get<bool>() != whole->compressed)
                    return Fault(keyPath, sectionName + " is always stored " +
                                              (whole->compressed ? "compressed" : "raw"));
                continue;
            }
            if (key == "File") {
                if (!whole)
                    return Fault(keyPath, sectionName + " takes no file: it is made from " +
                                              std::string(RecordTableOf(number)));
                auto file = ReadContentPath(*it, keyPath, folder);
                if (!file)
                    return file.error();
                files[std::size_t(number)] = *file;
                draft.*whole->content = Content::FromFile(*file);
                continue;
            }
            return Fault(keyPath, "unknown field");
        }
    }
    return {};
}

Status ReadHeader(const Json& manifest, const std::array<std::string, payload::kSectionCount + 1>& files,
                  TKelFixedSizeInfo& header) {
    std::set<std::string> present;
    if (auto found = manifest.find("Header"); found != manifest.end())
        if (Status s = ReadRecord(payload::HeaderFields(), *found, "Header", header, kComputedHeaderFields,
                                  std::array<std::string_view, 0>{}, present);
            !s)
            return s;
    for (const WholeSection& w : kWholeSections) {
        if (w.extField.empty() || present.contains(std::string(w.extField)) || files[std::size_t(w.number)].empty())
            continue;
        if (Status s = DefaultExtension(payload::HeaderFields(), w.extField, files[std::size_t(w.number)],
                                        "Header." + std::string(w.extField), header);
            !s)
            return s;
    }
    return {};
}

Status ReadStrings(const Json& manifest, payload::TKelVarSizeInfo& strings) {
    strings.EffectList = AllEffects();
    auto found = manifest.find("Strings");
    if (found == manifest.end())
        return {};
    if (!found->is_object())
        return WrongType("Strings", "an object", *found);
    for (auto it = found->begin(); it != found->end(); ++it) {
        const std::string path = "Strings." + it.key();
        const auto& slots = payload::StringSlots();
        auto slot = std::find_if(slots.begin(), slots.end(), [&](const auto& s) { return s.name == it.key(); });
        if (slot == slots.end())
            return Fault(path, "unknown field");
        auto text = IsEffectSet(slot->name) ? ReadEffects(*it, path, kStringRoom)
                                            : ReadText(*it, path, kStringRoom, false);
        if (!text)
            return text.error();
        strings.*slot->member = std::move(text).value();
    }
    return {};
}

// Lists the fields of `record` that differ from zero, false and "".
template <class R, std::size_t N>
std::vector<std::string> NonZeroFields(std::span<const Field<R>> fields, const R& record,
                                       const std::array<std::string_view, N>& computed) {
    std::vector<std::string> entries;
    for (const auto& f : fields) {
        if (Contains(computed, f.name))
            continue;
        std::string value;
        switch (f.type) {
        case FieldType::Int32:
            if (record.*f.i32 != 0)
                value = std::to_string(record.*f.i32);
            break;
        case FieldType::Flag:
            if (record.*f.flag)
                value = "true";
            break;
        case FieldType::Byte:
            if (record.*f.byte != 0)
                value = std::to_string(record.*f.byte);
            break;
        default:
            break;
        }
        if (value.empty())
            continue;
        // Colour values read better in their 0x00BBGGRR form.
        if (f.type == FieldType::Int32 && record.*f.i32 > 0xFFFF) {
            char hex[16];
            std::snprintf(hex, sizeof hex, " (0x%08X)", unsigned(record.*f.i32));
            value += hex;
        }
        entries.push_back(std::string(f.name) + " " + value);
    }
    return entries;
}

// Joins `entries` with ", " into lines of at most about 90 columns, each indented by two.
std::string Wrapped(std::string_view head, const std::vector<std::string>& entries, std::string_view tail) {
    std::string text = "  " + std::string(head);
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::string piece = entries[i] + (i + 1 < entries.size() ? "," : std::string(tail));
        if (text.size() - lineStart + 1 + piece.size() > 90) {
            text += "\n   ";
            lineStart = text.size() - 3;
        } else {
            text += ' ';
        }
        text += piece;
    }
    return text + "\n";
}

} // namespace

// ---- public --------------------------------------------------------------------------------

Json PayloadToJson(const payload::Payload& p) {
    Json root = Json::object();
    root["Header"] = RecordToJson(payload::HeaderFields(), p.header);

    Json strings = Json::object();
    for (const payload::StringSlot& slot : payload::StringSlots()) {
        const std::string& text = p.strings.*slot.member;
        strings[std::string(slot.name)] = IsEffectSet(slot.name) ? EffectCodes(text) : Json(Cp1252ToUtf8(text));
    }
    root["Strings"] = std::move(strings);

    root["Images"] = ItemsToJson(payload::ImageFields(), p.images);
    root["Melodies"] = ItemsToJson(payload::MelodyFields(), p.melodies);
    root["Masks"] = ItemsToJson(payload::MaskFields(), p.masks);
    root["Sounds"] = ItemsToJson(payload::SoundFields(), p.sounds);

    Json sections = Json::array();
    for (int k = 1; k <= payload::kSectionCount; ++k)
        sections.push_back(Json{{"Number", k},
                                {"Start", payload::SectionStart(p.header, k)},
                                {"Size", payload::SectionSize(p.header, k)}});
    sections.push_back(Json{{"Number", "Strings"},
                            {"Start", payload::StringBlockStart(p.header)},
                            {"Size", p.stringBlockBytes}});
    root["Sections"] = std::move(sections);
    return root;
}

TKelFixedSizeInfo NewHeader() {
    TKelFixedSizeInfo h;
    h.Seconds = 5;
    h.DisplayOrder = 0;
    h.GradientStyle = 1;
    h.Stretch = 0;
    h.EffectSpeed = 5;
    h.ExitMouseMove = true;
    h.ExitMouseButton = true;
    h.ExitKeyboard = true;
    h.ExitESC = true;
    h.LogoTransparentColor = payload::kNoColor;
    return h;
}

TKelImageInfo NewImage() {
    TKelImageInfo r;
    r.Stretch = -1;
    r.MaskIndex = -1;
    r.EnterSoundIndex = -1;
    r.ItemEffectSpeed = -1;
    r.TextColor = 0x00FFFFFF;
    r.TextSize = 12;
    return r;
}

std::string AllEffects() {
    std::string codes;
    for (int code = kFirstEffect; code <= kLastEffect; ++code)
        codes += char(code);
    return codes;
}

std::string DescribeDefaults() {
    return Wrapped("Header:", NonZeroFields(payload::HeaderFields(), NewHeader(), kComputedHeaderFields),
                   "; any other field 0, false or \"\".") +
           Wrapped("Images[]:", NonZeroFields(payload::ImageFields(), NewImage(), kComputedRecordFields),
                   "; any other field 0 or \"\".") +
           "  Ext of a record: the extension of its File (with the dot); BackgroundExt, LogoExt and\n"
           "   ExitBannerExt: the extension of the File of section 9, 5 and 4.\n"
           "  Strings: \"\", except EffectList: every effect code 1 to 120.\n"
           "  Compressed of a record: false (stored raw).\n";
}

bool IsComputedHeaderField(std::string_view name) { return Contains(kComputedHeaderFields, name); }

Result<PayloadDraft> DraftFromManifest(const Json& manifest, const std::filesystem::path& folder) {
    if (!manifest.is_object())
        return WrongType("the manifest", "an object", manifest);
    constexpr std::array<std::string_view, 7> kTopLevel = {"Header", "Strings", "Images", "Melodies",
                                                          "Masks",  "Sounds",  "Sections"};
    for (auto it = manifest.begin(); it != manifest.end(); ++it)
        if (!Contains(kTopLevel, it.key()))
            return Fault(it.key(), "unknown field");

    PayloadDraft draft;
    draft.header = NewHeader();
    std::array<std::string, payload::kSectionCount + 1> sectionFiles;
    if (Status s = ReadSections(manifest, folder, draft, sectionFiles); !s)
        return s.error();
    if (Status s = ReadHeader(manifest, sectionFiles, draft.header); !s)
        return s.error();
    if (Status s = ReadStrings(manifest, draft.strings); !s)
        return s.error();
    if (Status s = ReadItems(manifest, "Images", payload::ImageFields(), NewImage(), kComputedImageFields, folder,
                             draft.images);
        !s)
        return s.error();
    if (Status s = ReadItems(manifest, "Melodies", payload::MelodyFields(), TKelMelodyInfo{}, kComputedRecordFields,
                             folder, draft.melodies);
        !s)
        return s.error();
    if (Status s = ReadItems(manifest, "Masks", payload::MaskFields(), TKelMaskInfo{}, kComputedRecordFields, folder,
                             draft.masks);
        !s)
        return s.error();
    if (Status s = ReadItems(manifest, "Sounds", payload::SoundFields(), TKelSoundInfo{}, kComputedRecordFields,
                             folder, draft.sounds);
        !s)
        return s.error();
    // The writer checks the same limits; a refusal here would mean the two disagree.
    if (Status s = payload::CheckDraft(draft); !s)
        return s.error();
    return draft;
}

} // namespace vorlandite::tools
