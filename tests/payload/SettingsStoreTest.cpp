#include "payload/SettingsStore.h"

#include "platform/FileRegistry.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>

namespace vorlandite::payload {
namespace {

using platform::FileRegistry;
using vorlandite::testing::TempDir;

// The payload defaults the description's examples use.
TKelFixedSizeInfo AuthorDefaults() {
    TKelFixedSizeInfo header;
    header.Seconds = 5;
    header.DisplayOrder = 0;
    header.Stretch = 0;
    header.EffectSpeed = 5;
    header.Loop = true;
    header.ExitMouseMove = header.ExitMouseButton = header.ExitKeyboard = header.ExitESC = true;
    return header;
}

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { strings_.EffectList = "\x01\x02\x03"; }

    // Writes values straight into the settings key, as an earlier run or a person would.
    void Store(const std::string& title,
               const std::function<void(platform::RegistryKey&)>& write) {
        auto key = registry_.OpenKey(SettingsKeyPath(title), true);
        ASSERT_TRUE(key.ok()) << key.message();
        write(**key);
        ASSERT_TRUE((*key)->Close().ok());
    }

    Status Load(const std::string& title = "My Show") {
        return LoadSettings(registry_, title, header_, strings_, useCustomPlaylist_,
                            [this](const std::string& m) { warnings_.push_back(m); });
    }

    StoredSettings Current() const { return CurrentSettings(header_, strings_, useCustomPlaylist_); }

    TempDir dir_;
    std::string path_ = dir_.File("config/user.reg");
    FileRegistry registry_{path_};
    TKelFixedSizeInfo header_ = AuthorDefaults();
    TKelVarSizeInfo strings_;
    bool useCustomPlaylist_ = true;  // proves that loading sets it
    std::vector<std::string> warnings_;
};

TEST_F(SettingsStoreTest, WithoutAKeyThePayloadValuesStayAndNothingIsCreated) {
    const StoredSettings before = CurrentSettings(header_, strings_, false);
    ASSERT_TRUE(Load().ok());
    EXPECT_EQ(Current(), before);
    EXPECT_FALSE(useCustomPlaylist_);
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() / "config"));
}

TEST_F(SettingsStoreTest, OnlyTheStoredValuesOverride) {
    Store("My Show", [](auto& key) { key.WriteInteger("Seconds", 12); });
    StoredSettings expected = CurrentSettings(header_, strings_, false);
    expected.Seconds = 12;
    ASSERT_TRUE(Load().ok());
    EXPECT_EQ(Current(), expected);
}

TEST_F(SettingsStoreTest, TheEdgesOfThePanelRangesLoad) {
    for (auto [seconds, stretch, order, speed] : {std::array{1, 0, 0, 1}, std::array{60, 5, 2, 10}}) {
        Store("My Show", [&](auto& key) {
            key.WriteInteger("Seconds", seconds);
            key.WriteInteger("Stretch", stretch);
            key.WriteInteger("DisplayOrder", order);
            key.WriteInteger("EffectSpeed", speed);
            key.WriteInteger("Mute", 9);  // any value but 0 is true
            key.WriteInteger("Loop", 0);
            key.WriteString("Effect", "");
            key.WriteInteger("UseCustomPlaylist", 1);
        });
        ASSERT_TRUE(Load().ok());
        EXPECT_EQ(header_.Seconds, seconds);
        EXPECT_EQ(header_.Stretch, stretch);
        EXPECT_EQ(header_.DisplayOrder, order);
        EXPECT_EQ(header_.EffectSpeed, speed);
        EXPECT_TRUE(header_.Mute);
        EXPECT_FALSE(header_.Loop);
        EXPECT_EQ(strings_.EffectList, "");  // an empty set: no transition effects
        EXPECT_TRUE(useCustomPlaylist_);
    }
    EXPECT_TRUE(warnings_.empty());
}

TEST_F(SettingsStoreTest, SavingWritesAllFifteenValuesAndLoadingReadsThemBack) {
    StoredSettings saved{30, 5, 2, true, false, true, true, std::string("\x01\x78", 2), 10,
                         true, false, true, false, true, true};
    ASSERT_TRUE(SaveSettings(registry_, "My Show", saved).ok());

    auto key = registry_.OpenKey("\\SOFTWARE\\QUENMORE\\MY SHOW", false);
    ASSERT_TRUE(key.ok());
    EXPECT_EQ((*key)->ValueNames(),
              (std::vector<std::string>{"Seconds", "Stretch", "DisplayOrder", "DesktopStart",
                                        "Loop", "Mute", "ShuffleMelody", "Effect", "EffectSpeed",
                                        "PlayOneRandom", "ExitMouseMove", "ExitMouseButton",
                                        "ExitKeyboard", "ExitESC", "UseCustomPlaylist"}));
    EXPECT_EQ((*key)->ReadInteger("ExitESC").value(), 1);  // flags are integers 0 or 1
    EXPECT_EQ((*key)->ReadInteger("Loop").value(), 0);

    ASSERT_TRUE(Load().ok());
    EXPECT_EQ(Current(), saved);
    // Closing the dialog again without changes writes the same values.
    ASSERT_TRUE(SaveSettings(registry_, "My Show", Current()).ok());
    ASSERT_TRUE(Load().ok());
    EXPECT_EQ(Current(), saved);
}

TEST_F(SettingsStoreTest, TheTitleIsTakenAsItIs) {
    StoredSettings saved = CurrentSettings(header_, strings_, false);
    saved.Seconds = 21;
    ASSERT_TRUE(SaveSettings(registry_, "Two\\Words", saved).ok());
    auto outer = registry_.OpenKey("\\Software\\Quenmore\\Two", false);
    ASSERT_TRUE(outer.ok());
    EXPECT_TRUE((*outer)->ValueNames().empty());
    auto inner = registry_.OpenKey("\\Software\\Quenmore\\Two\\Words", false);
    ASSERT_TRUE(inner.ok());
    EXPECT_EQ((*inner)->ReadInteger("Seconds").value(), 21);

    saved.Seconds = 22;
    ASSERT_TRUE(SaveSettings(registry_, "", saved).ok());
    auto bare = registry_.OpenKey("\\Software\\Quenmore", false);
    ASSERT_TRUE(bare.ok());
    EXPECT_EQ((*bare)->ReadInteger("Seconds").value(), 22);
    ASSERT_TRUE(Load("").ok());
    EXPECT_EQ(header_.Seconds, 22);
}

struct BadSetting {
    const char* name;
    const char* setting;
    std::function<void(platform::RegistryKey&)> write;
};

class BadSettingTest : public SettingsStoreTest, public ::testing::WithParamInterface<BadSetting> {};

TEST_P(BadSettingTest, KeepsItsDefaultIsReportedAndTheRestLoads) {
    Store("My Show", [](auto& key) {
        key.WriteInteger("Seconds", 12);
        key.WriteInteger("DisplayOrder", 1);
    });
    Store("My Show", GetParam().write);
    StoredSettings expected = CurrentSettings(header_, strings_, false);
    if (std::string_view(GetParam().setting) != "Seconds")
        expected.Seconds = 12;
    if (std::string_view(GetParam().setting) != "DisplayOrder")
        expected.DisplayOrder = 1;
    ASSERT_TRUE(Load().ok());
    EXPECT_EQ(Current(), expected);
    ASSERT_EQ(warnings_.size(), 1u);
    EXPECT_NE(warnings_[0].find("\"" + std::string(GetParam().setting) + "\""), std::string::npos) << warnings_[0];
    EXPECT_NE(warnings_[0].find(path_), std::string::npos) << warnings_[0];
}

INSTANTIATE_TEST_SUITE_P(
    Values, BadSettingTest,
    ::testing::Values(
        BadSetting{"SecondsAsString", "Seconds", [](auto& key) { key.WriteString("Seconds", "12"); }},
        BadSetting{"SecondsZero", "Seconds", [](auto& key) { key.WriteInteger("Seconds", 0); }},
        BadSetting{"Seconds61", "Seconds", [](auto& key) { key.WriteInteger("Seconds", 61); }},
        BadSetting{"StretchNegative", "Stretch", [](auto& key) { key.WriteInteger("Stretch", -1); }},
        BadSetting{"Stretch6", "Stretch", [](auto& key) { key.WriteInteger("Stretch", 6); }},
        BadSetting{"DisplayOrder3", "DisplayOrder", [](auto& key) { key.WriteInteger("DisplayOrder", 3); }},
        BadSetting{"EffectSpeed0", "EffectSpeed", [](auto& key) { key.WriteInteger("EffectSpeed", 0); }},
        BadSetting{"EffectSpeed11", "EffectSpeed", [](auto& key) { key.WriteInteger("EffectSpeed", 11); }},
        BadSetting{"FlagAsString", "ExitESC", [](auto& key) { key.WriteString("ExitESC", "1"); }},
        BadSetting{"PlaylistAsString", "UseCustomPlaylist", [](auto& key) { key.WriteString("UseCustomPlaylist", "1"); }},
        BadSetting{"EffectAsInteger", "Effect", [](auto& key) { key.WriteInteger("Effect", 5); }},
        BadSetting{"EffectCode121", "Effect", [](auto& key) { key.WriteString("Effect", "\x01\x79"); }},
        BadSetting{"EffectCode0", "Effect", [](auto& key) { key.WriteString("Effect", std::string(1, '\0')); }},
        BadSetting{"EffectCode255", "Effect", [](auto& key) { key.WriteString("Effect", "\xFF"); }}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(SettingsStoreTest, AStoreThatCannotBeReadKeepsEveryDefault) {
    std::filesystem::create_directories(path_);  // a folder where the file should be
    const StoredSettings before = CurrentSettings(header_, strings_, false);
    ASSERT_TRUE(Load().ok());
    EXPECT_EQ(Current(), before);
    ASSERT_EQ(warnings_.size(), 1u);
    EXPECT_NE(warnings_[0].find(path_), std::string::npos) << warnings_[0];
}

TEST_F(SettingsStoreTest, AFailedSaveIsReportedAndTheStoredSettingsStay) {
    StoredSettings saved = CurrentSettings(header_, strings_, false);
    saved.Seconds = 21;
    ASSERT_TRUE(SaveSettings(registry_, "My Show", saved).ok());
    std::filesystem::remove(path_ + ".lock");
    std::filesystem::create_directory(path_ + ".lock");  // no lock can be taken
    StoredSettings changed = saved;
    changed.Seconds = 40;
    Status failed = SaveSettings(registry_, "My Show", changed);
    ASSERT_FALSE(failed.ok());
    EXPECT_NE(failed.message().find(path_), std::string::npos) << failed.message();
    std::filesystem::remove(path_ + ".lock");
    ASSERT_TRUE(Load().ok());
    EXPECT_EQ(header_.Seconds, 21);
}

TEST_F(SettingsStoreTest, EffectCodesOneTo120Load) {
    std::string all;
    for (int code = 1; code <= 120; ++code)
        all += char(code);
    Store("My Show", [&](auto& key) { key.WriteString("Effect", all); });
    ASSERT_TRUE(Load().ok());
    EXPECT_EQ(strings_.EffectList, all);
}

} // namespace
} // namespace vorlandite::payload
