// Loading the user's playlist as the show does: the run of item values up to the first gap.

#include "audio/CustomPlaylist.h"
#include "platform/FileRegistry.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <variant>

namespace vorlandite::audio {
namespace {

using Stored = std::variant<std::string, int32_t>;  // a value as written, strings or a hand-written number
using Entries = std::vector<std::string>;

struct LoadRow {
    const char* name;
    std::vector<std::pair<const char*, Stored>> values;  // in the "PlayList" key
    Entries expected;
};
void PrintTo(const LoadRow& row, std::ostream* out) { *out << row.name; }

class PlaylistLoadTest : public ::testing::TestWithParam<LoadRow> {};

TEST_P(PlaylistLoadTest, ReadsTheRunOfItemValuesFromItem0) {
    const LoadRow& row = GetParam();
    vorlandite::testing::TempDir dir;
    platform::FileRegistry registry(dir.File("user.reg"));
    if (!row.values.empty()) {
        auto key = registry.OpenKey("\\Software\\Quenmore\\My Show\\PlayList", true);
        ASSERT_TRUE(key);
        for (const auto& [name, value] : row.values) {
            if (const auto* text = std::get_if<std::string>(&value))
                (*key)->WriteString(name, *text);
            else
                (*key)->WriteInteger(name, std::get<int32_t>(value));
        }
        ASSERT_TRUE((*key)->Close());
    }
    EXPECT_EQ(LoadCustomPlayListNoWindow(registry, "My Show"), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Stored, PlaylistLoadTest,
    ::testing::Values(
        LoadRow{"NoKey", {}, {}},
        LoadRow{"ThreeInARow", {{"item0", "/a.mp3"}, {"item1", "/b.wav"}, {"item2", "/c.mid"}},
                {"/a.mp3", "/b.wav", "/c.mid"}},
        LoadRow{"GapEndsTheList", {{"item0", "/a.mp3"}, {"item1", "/b.wav"}, {"item3", "/d.wma"}},
                {"/a.mp3", "/b.wav"}},
        LoadRow{"WithoutItem0NothingIsRead", {{"item1", "/b.wav"}, {"item2", "/c.mid"}}, {}},
        LoadRow{"EmptyValueStaysAnEmptyEntry", {{"item0", "/a.mp3"}, {"item1", ""}, {"item2", "/c.mid"}},
                {"/a.mp3", "", "/c.mid"}},
        LoadRow{"LeadingZerosAreOtherNames", {{"item0", "/a.mp3"}, {"item01", "/b.wav"}}, {"/a.mp3"}},
        LoadRow{"NumberIsAnEmptyEntryThatEndsTheList",
                {{"item0", "/a.mp3"}, {"item1", int32_t(7)}, {"item2", "/c.mid"}},
                {"/a.mp3", ""}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(PlaylistKeyTest, KeepsTheTitleAsTheKeyName) {
    vorlandite::testing::TempDir dir;
    platform::FileRegistry registry(dir.File("user.reg"));
    auto other = registry.OpenKey("\\Software\\Quenmore\\Other Show\\PlayList", true);
    ASSERT_TRUE(other);
    (*other)->WriteString("item0", "/other.mp3");
    ASSERT_TRUE((*other)->Close());
    EXPECT_TRUE(LoadCustomPlayListNoWindow(registry, "My Show").empty());
    EXPECT_EQ(LoadCustomPlayListNoWindow(registry, "Other Show"), Entries{"/other.mp3"});
}

} // namespace
} // namespace vorlandite::audio
