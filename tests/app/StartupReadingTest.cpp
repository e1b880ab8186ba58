// The engine's start-up reading: payload, stored settings over it, and the tables, failing as
// one on a damaged payload; stored settings that cannot be used are reported and left out.

#include "app/StartupReading.h"
#include "base/ByteOrder.h"
#include "payload/PayloadLayout.h"
#include "payload/SettingsStore.h"
#include "platform/FileRegistry.h"
#include "slideshow/order/ItemOrder.h"
#include "support/RandomPayload.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <optional>

namespace vorlandite::app {
namespace {

using payload::Content;
using payload::PayloadDraft;

struct Show {
    testing::TempDir dir;
    platform::FileRegistry registry{dir.File("user.reg"), [](const std::string&) {}};
    std::vector<uint8_t> file;
    std::vector<std::string> warnings;

    explicit Show(PayloadDraft draft) { file = testing::BuildScreensaverBytes(draft, 100); }

    Status Read(bool settingsOnly, StartupPayload& out) {
        payload::MemorySource source(file);
        return ReadStartupPayload(source, registry, settingsOnly, out,
                                  [this](const std::string& m) { warnings.push_back(m); });
    }
};

PayloadDraft AuthorDraft() {
    PayloadDraft d;
    d.strings.Title = "My Show";
    d.strings.EffectList = std::string("\x01\x02\x03", 3);
    d.header.Seconds = 5;
    d.header.EffectSpeed = 5;
    d.header.ExitMouseMove = d.header.ExitMouseButton = d.header.ExitKeyboard = d.header.ExitESC = true;
    d.images.push_back({{}, Content::FromBytes({1, 2, 3}), false});
    return d;
}

TEST(StartupReading, WithoutStoredSettingsTheAuthorsValuesStay) {
    Show show(AuthorDraft());
    StartupPayload state;
    ASSERT_TRUE(show.Read(false, state).ok());
    EXPECT_EQ(state.Payload.header.Seconds, 5);
    EXPECT_TRUE(state.Payload.header.ExitESC);
    EXPECT_EQ(state.Payload.strings.EffectList.size(), 3u);
    EXPECT_FALSE(state.UseCustomPlaylist);
    EXPECT_EQ(state.Payload.images.size(), 1u);
}

TEST(StartupReading, StoredValuesOverrideTheHeader) {
    Show show(AuthorDraft());
    auto key = show.registry.OpenKey(payload::SettingsKeyPath("My Show"), true);
    ASSERT_TRUE(key.ok());
    (*key)->WriteInteger("Seconds", 12);
    (*key)->WriteInteger("UseCustomPlaylist", 1);
    ASSERT_TRUE((*key)->Close().ok());
    StartupPayload state;
    ASSERT_TRUE(show.Read(false, state).ok());
    EXPECT_EQ(state.Payload.header.Seconds, 12);
    EXPECT_EQ(state.Payload.header.EffectSpeed, 5);
    EXPECT_TRUE(state.UseCustomPlaylist);
}

TEST(StartupReading, StoredValuesThatCannotBeUsedKeepTheAuthorsAndAConfigurationCloseRepairsThem) {
    Show show(AuthorDraft());
    auto key = show.registry.OpenKey(payload::SettingsKeyPath("My Show"), true);
    ASSERT_TRUE(key.ok());
    (*key)->WriteString("Seconds", "12");
    (*key)->WriteInteger("EffectSpeed", 99);
    (*key)->WriteInteger("Stretch", 4);
    ASSERT_TRUE((*key)->Close().ok());
    for (bool settingsOnly : {false, true}) {
        StartupPayload state;
        show.warnings.clear();
        ASSERT_TRUE(show.Read(settingsOnly, state).ok());
        EXPECT_EQ(state.Payload.header.Seconds, 5);
        EXPECT_EQ(state.Payload.header.EffectSpeed, 5);
        EXPECT_EQ(state.Payload.header.Stretch, 4);
        EXPECT_EQ(show.warnings.size(), 2u);
        EXPECT_EQ(state.Payload.images.size(), settingsOnly ? 0u : 1u);
    }

    // The configuration dialog shows the author's values; its Close writes them back.
    StartupPayload config;
    ASSERT_TRUE(show.Read(true, config).ok());
    ASSERT_TRUE(payload::SaveSettings(show.registry, "My Show",
                                      payload::CurrentSettings(config.Payload.header, config.Payload.strings,
                                                               config.UseCustomPlaylist))
                    .ok());
    show.warnings.clear();
    StartupPayload state;
    ASSERT_TRUE(show.Read(false, state).ok());
    EXPECT_TRUE(show.warnings.empty());
    auto repaired = show.registry.OpenKey(payload::SettingsKeyPath("My Show"), false);
    ASSERT_TRUE(repaired.ok());
    EXPECT_EQ((*repaired)->ReadInteger("Seconds").value(), 5);
}

TEST(StartupReading, SettingsOnlyStopsBeforeTheTables) {
    Show show(AuthorDraft());
    // Damage the display-item count: only a reading of the tables notices.
    StoreI32(show.file, show.file.size() - payload::kTrailerSize + 8, 0x7FFFFFFF);
    StartupPayload state;
    EXPECT_TRUE(show.Read(true, state).ok());
    EXPECT_TRUE(state.Payload.images.empty());
    StartupPayload full;
    EXPECT_FALSE(show.Read(false, full).ok());
}

TEST(StartupReading, ConfigureCloseAndShowReadsBackTheSameValues) {
    Show show(AuthorDraft());
    StartupPayload config;
    ASSERT_TRUE(show.Read(true, config).ok());
    auto settings = payload::CurrentSettings(config.Payload.header, config.Payload.strings, config.UseCustomPlaylist);
    ASSERT_TRUE(payload::SaveSettings(show.registry, config.Payload.strings.Title, settings).ok());
    StartupPayload state;
    ASSERT_TRUE(show.Read(false, state).ok());
    EXPECT_EQ(payload::CurrentSettings(state.Payload.header, state.Payload.strings, state.UseCustomPlaylist), settings);
    auto key = show.registry.OpenKey(payload::SettingsKeyPath("My Show"), false);
    ASSERT_TRUE(key.ok());
    EXPECT_EQ((*key)->ValueNames().size(), 15u);
}

} // namespace
} // namespace vorlandite::app

namespace vorlandite::app {
namespace {

TEST(StartupReading, AShowOpensWithFlashWhenItsFirstItemIsSureToBeAMovie) {
    const auto show = [](std::vector<std::string> extensions, int order, bool firstAtStart,
                         std::optional<int> count = std::nullopt) {
        payload::Payload data;
        for (const std::string& ext : extensions) {
            payload::TKelImageInfo item;
            item.Ext = ext;
            data.images.push_back(item);
        }
        data.header.ImageCount = count.value_or(int(extensions.size()));
        data.header.DisplayOrder = order;
        data.header.FirstItemAtStart = firstAtStart;
        return data;
    };
    constexpr int kTable = 0, kRandom = slideshow::kOrderRandom, kMixed = slideshow::kOrderMixed;
    struct Case {
        const char* name;
        payload::Payload data;
        bool opensWithFlash;
    };
    const Case cases[] = {
        {"table order, a movie first", show({".swf", ".jpg"}, kTable, false), true},
        {"table order, a picture first", show({".jpg", ".swf"}, kTable, false), false},
        {"random order, the first reserved and a movie", show({".SWF", ".jpg"}, kRandom, true), true},
        {"random order, a movie first but not reserved", show({".swf", ".jpg"}, kRandom, false), false},
        {"mixed order, movies only", show({".swf", ".swf"}, kMixed, false), true},
        {"random order, movies only among the counted items", show({".swf", ".jpg"}, kRandom, false, 1), true},
        {"no items", show({}, kTable, false), false},
        {"a count beyond the table", show({".swf"}, kRandom, false, 5), true},
        {"a negative count", show({".swf"}, kTable, false, -7), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(OpensWithFlash(c.data), c.opensWithFlash);
    }
}

} // namespace
} // namespace vorlandite::app
