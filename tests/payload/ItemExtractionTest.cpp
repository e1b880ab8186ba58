// Extraction of items into files: raw copies across chunk boundaries, zlib streams that end
// early, overrun their size or are damaged, and ranges outside the file.

#include "payload/ItemExtraction.h"
#include "payload/TempFiles.h"
#include "support/RandomPayload.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>

namespace vorlandite::payload {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

std::vector<uint8_t> Compress(const std::vector<uint8_t>& raw) {
    uLongf length = compressBound(uLong(raw.size()));
    std::vector<uint8_t> out(length);
    EXPECT_EQ(compress2(out.data(), &length, raw.data(), uLong(raw.size()), 6), Z_OK);
    out.resize(length);
    return out;
}

struct Fixture {
    TempDir dir;
    std::vector<uint8_t> file;
    std::string Source() {
        std::string path = dir.File("show.scr");
        WriteFileBytes(path, file);
        return path;
    }
};

std::vector<uint8_t> Pattern(std::size_t n) {
    std::mt19937 rng(42);
    return testing::RandomBytes(rng, n, true);
}

TEST(RawExtraction, CopiesAcrossChunkBoundariesExactly) {
    Fixture f;
    auto item = Pattern(kExtractChunkSize * 2 + 12345);
    f.file.assign(777, 0xAA);
    f.file.insert(f.file.end(), item.begin(), item.end());
    f.file.insert(f.file.end(), 99, 0xBB);
    std::string target = f.dir.File("SSIMG.jpg");
    ASSERT_TRUE(ExtractItem(f.Source(), target, false, 777, 0, int64_t(item.size())).ok());
    EXPECT_EQ(ReadFileBytes(target), item);
}

TEST(RawExtraction, SizeZeroMakesAnEmptyFile) {
    Fixture f;
    f.file.assign(1000, 1);
    std::string target = f.dir.File("SSIMG.bmp");
    ASSERT_TRUE(ExtractItem(f.Source(), target, false, 10, 0, 0).ok());
    EXPECT_TRUE(std::filesystem::exists(target));
    EXPECT_EQ(std::filesystem::file_size(target), 0u);
}

TEST(RawExtraction, RangePastTheEndFailsAndLeavesTheOlderFile) {
    Fixture f;
    f.file.assign(1000, 1);
    std::string target = f.dir.File("SSIMG.png");
    WriteFileBytes(target, {9, 9, 9});
    EXPECT_FALSE(ExtractItem(f.Source(), target, false, 900, 0, 101).ok());
    EXPECT_FALSE(ExtractItem(f.Source(), target, false, -1, 0, 10).ok());
    EXPECT_FALSE(ExtractItem(f.Source(), target, false, 0, 0, -10).ok());
    EXPECT_EQ(ReadFileBytes(target), (std::vector<uint8_t>{9, 9, 9}));
    // No temporary file is left behind either.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.dir.Path()), {}), 2);
}

TEST(CompressedExtraction, InflatesToTheRecordSize) {
    Fixture f;
    auto item = Pattern(kExtractChunkSize * 3 + 5);
    auto stream = Compress(item);
    f.file.assign(50, 0);
    f.file.insert(f.file.end(), stream.begin(), stream.end());
    std::string target = f.dir.File("SSBG.jpg");
    ASSERT_TRUE(ExtractItem(f.Source(), target, true, 50, int64_t(stream.size()), int64_t(item.size())).ok());
    EXPECT_EQ(ReadFileBytes(target), item);
}

TEST(CompressedExtraction, StreamEndingBeforeSizeWritesWhatItProduced) {
    Fixture f;
    auto item = Pattern(3000);
    auto stream = Compress(item);
    f.file = stream;
    std::string target = f.dir.File("SSLG.png");
    ASSERT_TRUE(ExtractItem(f.Source(), target, true, 0, int64_t(stream.size()), 1 << 30).ok());
    EXPECT_EQ(ReadFileBytes(target), item);
}

TEST(CompressedExtraction, NeverWritesMoreThanSize) {
    Fixture f;
    auto item = Pattern(5000);
    f.file = Compress(item);
    std::string target = f.dir.File("SSEB.gif");
    ASSERT_TRUE(ExtractItem(f.Source(), target, true, 0, int64_t(f.file.size()), 1234).ok());
    EXPECT_EQ(ReadFileBytes(target), std::vector<uint8_t>(item.begin(), item.begin() + 1234));
}

struct BadStreamRow {
    const char* name;
    int damage;  // 0 flip a byte in the middle, 1 cut the stream short, 2 not zlib at all
};

class BadStreamTest : public ::testing::TestWithParam<BadStreamRow> {};

TEST_P(BadStreamTest, LeavesNoNewFile) {
    Fixture f;
    auto item = Pattern(20000);
    std::mt19937 rng(5);
    auto stream = Compress(testing::RandomBytes(rng, 20000, false));
    switch (GetParam().damage) {
    case 0: stream[stream.size() / 2] ^= 0x5A; break;
    case 1: stream.resize(stream.size() / 2); break;
    case 2: stream.assign(item.begin(), item.begin() + 500); break;
    }
    f.file = stream;
    std::string target = f.dir.File("SSIMG.tif");
    EXPECT_FALSE(ExtractItem(f.Source(), target, true, 0, int64_t(stream.size()), 20000).ok());
    EXPECT_FALSE(std::filesystem::exists(target));
    WriteFileBytes(target, {1});
    EXPECT_FALSE(ExtractItem(f.Source(), target, true, 0, int64_t(stream.size()), 20000).ok());
    EXPECT_EQ(ReadFileBytes(target), std::vector<uint8_t>{1});
}

INSTANTIATE_TEST_SUITE_P(Damage, BadStreamTest,
                         ::testing::Values(BadStreamRow{"FlippedByte", 0}, BadStreamRow{"Truncated", 1},
                                           BadStreamRow{"NotZlib", 2}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(CompressedExtraction, StoredSizePastTheEndFailsBeforeReading) {
    Fixture f;
    f.file = Compress(Pattern(100));
    std::string target = f.dir.File("x");
    EXPECT_FALSE(ExtractItem(f.Source(), target, true, 0, int64_t(f.file.size()) + 1, 100).ok());
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST(Extraction, UnreadableSourceOrTargetFolderFails) {
    TempDir dir;
    EXPECT_FALSE(ExtractItem(dir.File("missing.scr"), dir.File("t"), false, 0, 0, 0).ok());
    Fixture f;
    f.file.assign(10, 0);
    EXPECT_FALSE(ExtractItem(f.Source(), f.dir.File("no/such/folder/t"), false, 0, 0, 5).ok());
}

struct NameRow {
    const char* ext;
    const char* expected;
};

class TempNameTest : public ::testing::TestWithParam<NameRow> {};

TEST_P(TempNameTest, ExtensionsCannotLeadOutOfTheFolder) {
    EXPECT_EQ(TempFilePath("/t/", kEnterSoundFile, GetParam().ext), std::string("/t/SSSnd") + GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Extensions, TempNameTest,
                         ::testing::Values(NameRow{".wav", ".wav"}, NameRow{"/../..", "_.._.."},
                                           NameRow{"\\..\\", "_.._"}, NameRow{".a\nb", ".a_b"},
                                           NameRow{"", ""}));

TEST(TempNames, MaskExtensionByFormat) {
    EXPECT_EQ(MaskExtension(0), ".bmp");
    EXPECT_EQ(MaskExtension(1), ".png");
    EXPECT_EQ(MaskExtension(2), ".gif");
    EXPECT_EQ(MaskExtension(255), ".gif");
}

} // namespace
} // namespace vorlandite::payload
