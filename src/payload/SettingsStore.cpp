#include "payload/SettingsStore.h"

#include <array>

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
};

constexpr SettingRow Integer(std::string_view name, int32_t StoredSettings::*stored,
                             int32_t TKelFixedSizeInfo::*field) {
    return {name, SettingType::Integer, Home::HeaderField, stored, nullptr, nullptr, field, nullptr};
}

constexpr SettingRow Flag(std::string_view name, bool StoredSettings::*stored,
                          bool TKelFixedSizeInfo::*field) {
    return {name, SettingType::Flag, Home::HeaderField, nullptr, stored, nullptr, nullptr, field};
}

// Every setting, once, in the order it is loaded and saved. The defaults are the header's
// own values; the playlist choice, which has no header field, defaults to the payload's music.
constexpr std::array<SettingRow, 15> kSettings = {{
    Integer("Seconds", &StoredSettings::Seconds, &TKelFixedSizeInfo::Seconds),
    Integer("Stretch", &StoredSettings::Stretch, &TKelFixedSizeInfo::Stretch),
    Integer("DisplayOrder", &StoredSettings::DisplayOrder, &TKelFixedSizeInfo::DisplayOrder),
    Flag("DesktopStart", &StoredSettings::DesktopStart, &TKelFixedSizeInfo::DesktopStart),
    Flag("Loop", &StoredSettings::Loop, &TKelFixedSizeInfo::Loop),
    Flag("Mute", &StoredSettings::Mute, &TKelFixedSizeInfo::Mute),
    Flag("ShuffleMelody", &StoredSettings::ShuffleMelody, &TKelFixedSizeInfo::ShuffleMelody),
    {"Effect", SettingType::Text, Home::EffectList, nullptr, nullptr, &StoredSettings::Effect},
    Integer("EffectSpeed", &StoredSettings::EffectSpeed, &TKelFixedSizeInfo::EffectSpeed),
    Flag("PlayOneRandom", &StoredSettings::PlayOneRandom, &TKelFixedSizeInfo::PlayOneRandom),
    Flag("ExitMouseMove", &StoredSettings::ExitMouseMove, &TKelFixedSizeInfo::ExitMouseMove),
    Flag("ExitMouseButton", &StoredSettings::ExitMouseButton, &TKelFixedSizeInfo::ExitMouseButton),
    Flag("ExitKeyboard", &StoredSettings::ExitKeyboard, &TKelFixedSizeInfo::ExitKeyboard),
    Flag("ExitESC", &StoredSettings::ExitESC, &TKelFixedSizeInfo::ExitESC),
    {"UseCustomPlaylist", SettingType::Flag, Home::PlaylistChoice, nullptr,
     &StoredSettings::UseCustomPlaylist},
}};

constexpr int kHighestEffect = 120;

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

Status ReadSetting(const platform::RegistryKey& key, const SettingRow& row,
                   StoredSettings& settings) {
    if (row.type == SettingType::Text) {
        auto text = key.ReadString(row.name);
        if (!text)
            return text.error();
        settings.*row.storedText = std::move(text).value();
        return {};
    }
    auto number = key.ReadInteger(row.name);
    if (!number)
        return number.error();
    if (row.type == SettingType::Integer)
        settings.*row.storedInteger = *number;
    else
        settings.*row.storedFlag = *number != 0;
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

// The effect check list has an entry for each effect 1..120 and for nothing else.
Status CheckEffectSet(std::string_view effects) {
    for (char c : effects) {
        int code = static_cast<uint8_t>(c);
        if (code < 1 || code > kHighestEffect)
            return MakeError("the stored \"Effect\" setting names effect " + std::to_string(code)
                             + "; effects are numbered 1 to " + std::to_string(kHighestEffect));
    }
    return {};
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
                    TKelVarSizeInfo& strings, bool& useCustomPlaylist) {
    auto key = registry.OpenKey(SettingsKeyPath(title), false);
    if (!key) {
        // Never configured (or not readable): the author's defaults stay.
        useCustomPlaylist = false;
        return {};
    }
    // Read everything first, so a bad value leaves the live settings as they were.
    StoredSettings settings = CurrentSettings(header, strings, false);
    for (const SettingRow& row : kSettings) {
        if (!(*key)->ValueExists(row.name))
            continue;
        Status read = ReadSetting(**key, row, settings);
        if (read && row.home == Home::EffectList)
            read = CheckEffectSet(settings.Effect);
        if (!read)
            return MakeError("settings of \"" + std::string(title) + "\": " + read.message());
    }
    if (Status closed = (*key)->Close(); !closed)
        return closed;
    for (const SettingRow& row : kSettings)
        PutLive(row, settings, header, strings, useCustomPlaylist);
    return {};
}

Status SaveSettings(platform::Registry& registry, std::string_view title,
                    const StoredSettings& settings) {
    auto key = registry.OpenKey(SettingsKeyPath(title), true);
    if (!key)
        return key.error();
    for (const SettingRow& row : kSettings)
        WriteSetting(**key, row, settings);
    return (*key)->Close();
}

} // namespace vorlandite::payload
