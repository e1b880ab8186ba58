#include "payload/SettingsStore.h"

#include "base/Windows1252.h"

#include <array>
#include <cstdio>

namespace vorlandite::payload {
namespace {

enum class SettingType { Integer, Flag, Text };

// Where the live value of a setting is kept while the program runs.
enum class Home { HeaderField, EffectList, PlaylistChoice };

struct SettingRow {
    std::string_view name;  // the registry value name
    SettingType type;
    Home home;
    int32_t StoredSettings::*storedInteger = nullptr;
    bool StoredSettings::*storedFlag = nullptr;
    std::string StoredSettings::*storedText = nullptr;
    int32_t TKelFixedSizeInfo::*headerInteger = nullptr;
    bool TKelFixedSizeInfo::*headerFlag = nullptr;
    const int32_t* range = nullptr;  // integers: the lowest and highest value the panel writes
};

constexpr SettingRow Integer(std::string_view name, int32_t StoredSettings::*stored,
                             int32_t TKelFixedSizeInfo::*field, const int32_t (&range)[2]) {
    return {name, SettingType::Integer, Home::HeaderField, stored, nullptr, nullptr, field, nullptr, range};
}

constexpr SettingRow Flag(std::string_view name, bool StoredSettings::*stored,
                          bool TKelFixedSizeInfo::*field) {
    return {name, SettingType::Flag, Home::HeaderField, nullptr, stored, nullptr, nullptr, field};
}

// Every setting, once, in the order it is loaded and saved. The defaults are the header's
// own values; the playlist choice, which has no header field, defaults to the payload's music.
constexpr std::array<SettingRow, 15> kSettings = {{
    Integer("Seconds", &StoredSettings::Seconds, &TKelFixedSizeInfo::Seconds, kSecondsRange),
    Integer("Stretch", &StoredSettings::Stretch, &TKelFixedSizeInfo::Stretch, kStretchRange),
    Integer("DisplayOrder", &StoredSettings::DisplayOrder, &TKelFixedSizeInfo::DisplayOrder,
            kDisplayOrderRange),
    Flag("DesktopStart", &StoredSettings::DesktopStart, &TKelFixedSizeInfo::DesktopStart),
    Flag("Loop", &StoredSettings::Loop, &TKelFixedSizeInfo::Loop),
    Flag("Mute", &StoredSettings::Mute, &TKelFixedSizeInfo::Mute),
    Flag("ShuffleMelody", &StoredSettings::ShuffleMelody, &TKelFixedSizeInfo::ShuffleMelody),
    {"Effect", SettingType::Text, Home::EffectList, nullptr, nullptr, &StoredSettings::Effect},
    Integer("EffectSpeed", &StoredSettings::EffectSpeed, &TKelFixedSizeInfo::EffectSpeed,
            kEffectSpeedRange),
    Flag("PlayOneRandom", &StoredSettings::PlayOneRandom, &TKelFixedSizeInfo::PlayOneRandom),
    Flag("ExitMouseMove", &StoredSettings::ExitMouseMove, &TKelFixedSizeInfo::ExitMouseMove),
    Flag("ExitMouseButton", &StoredSettings::ExitMouseButton, &TKelFixedSizeInfo::ExitMouseButton),
    Flag("ExitKeyboard", &StoredSettings::ExitKeyboard, &TKelFixedSizeInfo::ExitKeyboard),
    Flag("ExitESC", &StoredSettings::ExitESC, &TKelFixedSizeInfo::ExitESC),
    {"UseCustomPlaylist", SettingType::Flag, Home::PlaylistChoice, nullptr,
     &StoredSettings::UseCustomPlaylist},
}};

void TakeLive(const SettingRow& row, const TKelFixedSizeInfo& header,
              const TKelVarSizeInfo& strings, bool useCustomPlaylist, StoredSettings& settings) {
    switch (row.home) {
    case Home::HeaderField:
        if (row.type == SettingType::Integer)
            settings.*row.storedInteger = header.*row.headerInteger;
        else
            settings.*row.storedFlag = header.*row.headerFlag;
        break;
    case Home::EffectList: settings.*row.storedText = strings.EffectList; break;
    case Home::PlaylistChoice: settings.*row.storedFlag = useCustomPlaylist; break;
    }
}

void PutLive(const SettingRow& row, const StoredSettings& settings, TKelFixedSizeInfo& header,
             TKelVarSizeInfo& strings, bool& useCustomPlaylist) {
    switch (row.home) {
    case Home::HeaderField:
        if (row.type == SettingType::Integer)
            header.*row.headerInteger = settings.*row.storedInteger;
        else
            header.*row.headerFlag = settings.*row.storedFlag;
        break;
    case Home::EffectList: strings.EffectList = settings.*row.storedText; break;
    case Home::PlaylistChoice: useCustomPlaylist = settings.*row.storedFlag; break;
    }
}

// The effect check list has an entry for each effect 1..120 and for nothing else.
Status CheckEffectSet(std::string_view effects) {
    for (char c : effects) {
        int code = static_cast<uint8_t>(c);
        if (code < 1 || code > kHighestEffect)
            return MakeError("names effect " + std::to_string(code) + ", and effects are numbered 1 to "
                             + std::to_string(kHighestEffect));
    }
    return {};
}

// Reads one stored value into `settings`; on failure `settings` keeps the value it had and the
// error says what is wrong with the stored one.
Status ReadSetting(const platform::RegistryKey& key, const SettingRow& row,
                   StoredSettings& settings) {
    if (row.type == SettingType::Text) {
        auto text = key.ReadString(row.name);
        if (!text)
            return MakeError("is not stored as text");
        if (Status valid = CheckEffectSet(*text); !valid)
            return valid;
        settings.*row.storedText = std::move(text).value();
        return {};
    }
    auto number = key.ReadInteger(row.name);
    if (!number)
        return MakeError("is not stored as a number");
    if (row.type == SettingType::Flag) {
        settings.*row.storedFlag = *number != 0;
        return {};
    }
    if (*number < row.range[0] || *number > row.range[1])
        return MakeError("is " + std::to_string(*number) + ", outside " + std::to_string(row.range[0])
                         + " to " + std::to_string(row.range[1]));
    settings.*row.storedInteger = *number;
    return {};
}

std::string DefaultShown(const SettingRow& row, const StoredSettings& defaults) {
    switch (row.type) {
    case SettingType::Integer: return " (" + std::to_string(defaults.*row.storedInteger) + ")";
    case SettingType::Flag: return defaults.*row.storedFlag ? " (on)" : " (off)";
    case SettingType::Text: break;
    }
    return {};
}

void WriteSetting(platform::RegistryKey& key, const SettingRow& row,
                  const StoredSettings& settings) {
    switch (row.type) {
    case SettingType::Integer: key.WriteInteger(row.name, settings.*row.storedInteger); break;
    case SettingType::Flag: key.WriteInteger(row.name, settings.*row.storedFlag ? 1 : 0); break;
    case SettingType::Text: key.WriteString(row.name, settings.*row.storedText); break;
    }
}

} // namespace

std::string SettingsKeyPath(std::string_view title) {
    return "\\Software\\Quenmore\\" + std::string(title);
}

StoredSettings CurrentSettings(const TKelFixedSizeInfo& header, const TKelVarSizeInfo& strings,
                               bool useCustomPlaylist) {
    StoredSettings settings;
    for (const SettingRow& row : kSettings)
        TakeLive(row, header, strings, useCustomPlaylist, settings);
    return settings;
}

Status LoadSettings(platform::Registry& registry, std::string_view title, TKelFixedSizeInfo& header,
                    TKelVarSizeInfo& strings, bool& useCustomPlaylist, const SettingsWarningSink& warn) {
    const std::string where = "settings of \"" + Cp1252ToUtf8(title) + "\" in " + registry.Location();
    auto report = [&](const std::string& problem) {
        if (warn)
            warn(problem);
        else
            std::fprintf(stderr, "vorlandite: %s\n", problem.c_str());
    };
    useCustomPlaylist = false;
    auto key = registry.FindKey(SettingsKeyPath(title));
    if (!key) {
        report("the " + where + " cannot be read (" + key.message()
               + "); the screensaver's own settings are used");
        return {};
    }
    if (!*key)
        return {};  // never configured: the author's values stay

    const StoredSettings defaults = CurrentSettings(header, strings, false);
    StoredSettings settings = defaults;
    for (const SettingRow& row : kSettings) {
        if (!(*key)->ValueExists(row.name))
            continue;
        if (Status read = ReadSetting(**key, row, settings); !read)
            report(where + ": \"" + std::string(row.name) + "\" " + read.message()
                   + "; the screensaver's own value" + DefaultShown(row, defaults) + " is used");
    }
    (void)(*key)->Close();  // nothing was written
    for (const SettingRow& row : kSettings)
        PutLive(row, settings, header, strings, useCustomPlaylist);
    return {};
}

Status SaveSettings(platform::Registry& registry, std::string_view title,
                    const StoredSettings& settings) {
    auto key = registry.OpenKey(SettingsKeyPath(title), true);
    Status saved = key ? Status() : Status(key.error());
    if (saved) {
        for (const SettingRow& row : kSettings)
            WriteSetting(**key, row, settings);
        saved = (*key)->Close();
    }
    if (!saved)
        return MakeError("Your settings could not be saved (" + saved.message()
                         + "). The settings saved before are unchanged.");
    return {};
}

} // namespace vorlandite::payload
