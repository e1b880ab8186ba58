// The manifest side of the JSON mapping: what it refuses (each refusal naming its field), the
// defaults of a new screensaver, and which header fields count as computed.

#include "PayloadJson.h"
#include "tools/CliTestSupport.h"

#include <gtest/gtest.h>

namespace vorlandite::tools {
namespace {

using testing::TempDir;
using testing::WriteFile;

struct Refusal {
    std::string name;
    std::string manifest;
    std::string expected;  // the start of the message
};

std::ostream& operator<<(std::ostream& os, const Refusal& r) { return os << r.name; }

std::string Repeat(std::string_view piece, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += piece;
    return text;
}

std::string Codes(int count, int code) {
    std::string list;
    for (int i = 0; i < count; ++i)
        list += (i ? "," : "") + std::to_string(code);
    return "[" + list + "]";
}

class ManifestRefusal : public ::testing::TestWithParam<Refusal> {
protected:
    void SetUp() override {
        WriteFile(dir_ / "a.jpg", "picture");
        WriteFile(dir_ / "long.jpeg2", "picture");
        std::filesystem::create_directory(dir_ / "folder.jpg");
    }
    TempDir dir_;
};

TEST_P(ManifestRefusal, NamesTheField) {
    const Refusal& row = GetParam();
    auto draft = DraftFromManifest(Json::parse(row.manifest), dir_.path());
    ASSERT_FALSE(draft.ok()) << row.manifest;
    EXPECT_EQ(draft.message().substr(0, row.expected.size()), row.expected) << draft.message();
}

const std::string kImage = R"({"File": "a.jpg"})";

INSTANTIATE_TEST_SUITE_P(
    Rows, ManifestRefusal,
    ::testing::Values(
        Refusal{"NotAnObject", "[]", "the manifest: expected an object, got an array"},
        Refusal{"UnknownTopLevel", R"({"Pictures": []})", "Pictures: unknown field"},
        Refusal{"UnknownHeaderField", R"({"Header": {"Secs": 5}})", "Header.Secs: unknown field"},
        Refusal{"IntegerAsString", R"({"Header": {"Seconds": "5"}})",
                "Header.Seconds: expected an integer, got a string"},
        Refusal{"FractionalInteger", R"({"Header": {"Seconds": 5.5}})",
                "Header.Seconds: expected an integer, got a fractional number"},
        Refusal{"Int32AboveRange", R"({"Header": {"BackgroundColor": 2147483648}})",
                "Header.BackgroundColor: 2147483648 is outside the int32 range"},
        Refusal{"IntegerBeyond64Bits", R"({"Header": {"Seconds": 1e30}})",
                "Header.Seconds: 1e+30 is outside the int32 range"},
        Refusal{"Int32BelowRange", R"({"Header": {"LogoMarginX": -2147483649}})",
                "Header.LogoMarginX: -2147483649 is outside the int32 range"},
        Refusal{"FlagAsNumber", R"({"Header": {"Loop": 1}})", "Header.Loop: expected true or false, got a number"},
        Refusal{"HeaderExtTooLong", R"({"Header": {"LogoExt": ".jpeg2"}})", "Header.LogoExt: 6 bytes, at most 5 fit"},
        Refusal{"ByteAboveRange", R"({"Masks": [{"File": "a.jpg", "Format": 256}]})",
                "Masks[0].Format: 256 is outside a byte's range (0 to 255)"},
        Refusal{"ByteNegative", R"({"Masks": [{"File": "a.jpg", "Format": -1}]})",
                "Masks[0].Format: -1 is outside a byte's range"},
        Refusal{"EffectCodeAboveRange",
                "{\"Images\": [" + kImage + "," + kImage + R"(, {"File": "a.jpg", "Effect": [1,2,3,4,5,121]}]})",
                "Images[2].Effect[5]: 121 is not an effect code (1 to 120)"},
        Refusal{"EffectCodeZero", R"({"Strings": {"EffectList": [7, 0]}})",
                "Strings.EffectList[1]: 0 is not an effect code"},
        Refusal{"EffectAsText", R"({"Images": [{"File": "a.jpg", "Effect": "abc"}]})",
                "Images[0].Effect: expected an array of effect codes, got a string"},
        Refusal{"EffectOverRoom", R"({"Images": [{"File": "a.jpg", "Effect": )" + Codes(252, 3) + "}]}",
                "Images[0].Effect: 252 effects, at most 251 fit"},
        Refusal{"StringOver65535Bytes", R"({"Strings": {"Title": ")" + Repeat("a", 65536) + "\"}}",
                "Strings.Title: 65536 bytes, at most 65535 fit"},
        // The euro sign is three bytes of UTF-8 but one of Windows-1252; the limit counts the latter.
        Refusal{"StringOverLimitAfterConversion", R"({"Strings": {"Notice": ")" + Repeat("\u20ac", 65536) + "\"}}",
                "Strings.Notice: 65536 bytes, at most 65535 fit"},
        Refusal{"ShortTextOverRoom", R"({"Images": [{"File": "a.jpg", "Text": ")" + Repeat("x", 252) + "\"}]}",
                "Images[0].Text: 252 bytes, at most 251 fit"},
        Refusal{"RecordExtTooLong", R"({"Melodies": [{"File": "a.jpg", "Ext": ".mpega"}]})",
                "Melodies[0].Ext: 6 bytes, at most 5 fit"},
        Refusal{"ExtFromFileTooLong", R"({"Images": [{"File": "long.jpeg2"}]})", "Images[0].Ext: 6 bytes, at most 5 fit"},
        Refusal{"SoundExtOverRoom", R"({"Sounds": [{"File": "a.jpg", "Ext": ".wavwave"}]})",
                "Sounds[0].Ext: 8 bytes, at most 7 fit"},
        Refusal{"ExtWithNul", R"({"Images": [{"File": "a.jpg", "Ext": ".a\u0000b"}]})",
                "Images[0].Ext: an extension cannot hold a NUL character"},
        Refusal{"TextOutsideWindows1252", R"({"Strings": {"Title": "\u65e5\u672c"}})",
                "Strings.Title: text not representable in Windows-1252"},
        Refusal{"MissingContentFile", R"({"Images": [{"File": "gone.jpg"}]})", "Images[0].File: cannot read"},
        Refusal{"RecordWithoutFile", R"({"Sounds": [{"Ext": ".wav"}]})", "Sounds[0].File: missing"},
        Refusal{"ContentIsAFolder", R"({"Images": [{"File": "folder.jpg"}]})", "Images[0].File: "},
        Refusal{"CompressedAsText", R"({"Images": [{"File": "a.jpg", "Compressed": "yes"}]})",
                "Images[0].Compressed: expected true or false"},
        Refusal{"TableNotArray", R"({"Images": {"File": "a.jpg"}})", "Images: expected an array, got an object"},
        Refusal{"RecordNotObject", R"({"Masks": [3]})", "Masks[0]: expected an object, got a number"},
        Refusal{"FieldOfAnotherRecord", R"({"Melodies": [{"File": "a.jpg", "Text": "hi"}]})",
                "Melodies[0].Text: unknown field"},
        Refusal{"UnknownString", R"({"Strings": {"Reserved3": ""}})", "Strings.Reserved3: unknown field"},
        Refusal{"StringAsNumber", R"({"Strings": {"ExitLink": 5}})", "Strings.ExitLink: expected a string"},
        Refusal{"FileForRecordSection", R"({"Sections": [{"Number": 6, "File": "a.jpg"}]})",
                "Sections[0].File: section 6 takes no file: it is made from Images"},
        Refusal{"FileForStringBlock", R"({"Sections": [{"Number": "Strings", "File": "a.jpg"}]})",
                "Sections[0].File: the string block takes no file"},
        Refusal{"RawSectionCompressed", R"({"Sections": [{"Number": 2, "File": "a.jpg", "Compressed": true}]})",
                "Sections[0].Compressed: section 2 is always stored raw"},
        Refusal{"CompressedSectionRaw", R"({"Sections": [{"Number": 9, "File": "a.jpg", "Compressed": false}]})",
                "Sections[0].Compressed: section 9 is always stored compressed"},
        Refusal{"CompressedOnRecordSection", R"({"Sections": [{"Number": 10, "Compressed": true}]})",
                "Sections[0].Compressed: section 10 is made from Melodies"},
        Refusal{"SectionNumberOutOfRange", R"({"Sections": [{"Number": 11}]})",
                "Sections[0].Number: 11 is not a section number"},
        Refusal{"SectionWithoutNumber", R"({"Sections": [{"File": "a.jpg"}]})", "Sections[0].Number: missing"},
        Refusal{"SectionTwice", R"({"Sections": [{"Number": 5}, {"Number": 5}]})",
                "Sections[1].Number: the section appears twice"},
        Refusal{"UnknownSectionField", R"({"Sections": [{"Number": 3, "Path": "a.jpg"}]})",
                "Sections[0].Path: unknown field"},
        Refusal{"SectionFileMissing", R"({"Sections": [{"Number": 4, "File": "gone.gif"}]})",
                "Sections[0].File: cannot read"}),
    [](const ::testing::TestParamInfo<Refusal>& row) { return row.param.name; });

TEST(Manifest, EmptyManifestGivesANewScreensaver) {
    TempDir dir;
    auto draft = DraftFromManifest(Json::object(), dir.path());
    ASSERT_TRUE(draft.ok()) << draft.message();
    EXPECT_EQ(payload::EncodeHeader(draft->header), payload::EncodeHeader(NewHeader()));
    EXPECT_EQ(draft->strings.EffectList, AllEffects());
    EXPECT_EQ(AllEffects().size(), 120u);
    EXPECT_TRUE(draft->strings.Title.empty());
    EXPECT_TRUE(draft->images.empty());
    EXPECT_FALSE(draft->logo.has_value());
}

TEST(Manifest, LimitsCountWindows1252Bytes) {
    // 40000 e-acute: 80000 bytes of UTF-8, 40000 in the payload.
    TempDir dir;
    auto manifest = Json::parse(R"({"Strings": {"Title": ")" + Repeat("\u00e9", 40000) + "\"}}");
    auto draft = DraftFromManifest(manifest, dir.path());
    ASSERT_TRUE(draft.ok()) << draft.message();
    EXPECT_EQ(draft->strings.Title, std::string(40000, '\xE9'));
}

TEST(Manifest, ComputedFieldsAreIgnoredWhateverTheyHold) {
    TempDir dir;
    WriteFile(dir / "a.jpg", "x");
    auto manifest = Json::parse(R"({"Header": {"PayloadSize": 1, "FileSizeAtRun": 99999999999, "ImageCount": 7},
        "Images": [{"File": "a.jpg", "Offset": -5, "Size": 3, "StoredSize": 2, "Kind": "video"}],
        "Sections": [{"Number": 1, "Start": 0, "Size": 12}, {"Number": "Strings", "Start": 1, "Size": 2}]})");
    auto draft = DraftFromManifest(manifest, dir.path());
    ASSERT_TRUE(draft.ok()) << draft.message();
    ASSERT_EQ(draft->images.size(), 1u);
    EXPECT_EQ(draft->images[0].record.Ext, ".jpg");
    EXPECT_FALSE(draft->flashPlayer.has_value());
}

// A size or count the author could set would disagree with the content; every field of that
// kind must be in the computed list, and nothing else may be.
TEST(Manifest, ComputedHeaderFieldsAreTheSizesAndCounts) {
    int computed = 0;
    for (const auto& f : payload::HeaderFields()) {
        std::string_view name = f.name;
        bool sizeOrCount = name.ends_with("Size") || name.ends_with("Count") || name == "FileSizeAtRun";
        EXPECT_EQ(IsComputedHeaderField(name), sizeOrCount) << name;
        computed += IsComputedHeaderField(name) ? 1 : 0;
    }
    EXPECT_EQ(computed, 20);
}

} // namespace
} // namespace vorlandite::tools
