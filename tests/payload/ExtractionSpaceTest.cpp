// Items that would not fit into the target's file system: the margin kept free, refusal before
// anything is written (with the injected free-space query standing in for a nearly full disk),
// and once against a real 1 MiB tmpfs where the test may mount one.

#include "base/FreeSpace.h"
#include "payload/ItemExtraction.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace vorlandite::payload {
namespace {

using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

constexpr uint64_t kMiB = uint64_t(1) << 20;

FreeSpaceQuery Reporting(uint64_t freeBytes) {
    return [freeBytes](const std::string&) -> Result<uint64_t> { return freeBytes; };
}

std::size_t EntriesIn(const std::filesystem::path& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

TEST(FreeSpaceMargin, FixedReserveOrAShareOfASmallFileSystem) {
    struct Row {
        uint64_t free, margin;
    } rows[] = {
        {0, 0},
        {19, 0},
        {20 * kMiB, kMiB},                  // 5 %
        {1280 * kMiB, 64 * kMiB},           // where the two meet
        {100 * 1024 * kMiB, 64 * kMiB},     // large: the fixed reserve
        {UINT64_MAX, 64 * kMiB},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FreeSpaceMargin(row.free), row.margin) << row.free;
}

TEST(CheckFreeSpace, RefusesWhatWouldEatIntoTheMargin) {
    struct Row {
        uint64_t free, bytes;
        bool fits;
    } rows[] = {
        {2048 * kMiB, 2048 * kMiB - 64 * kMiB, true},      // exactly up to the margin
        {2048 * kMiB, 2048 * kMiB - 64 * kMiB + 1, false},
        {20 * kMiB, 19 * kMiB, true},
        {20 * kMiB, 19 * kMiB + 1, false},
        {0, 1, false},
        {0, 0, true},                                      // an empty item needs no room
        {UINT64_MAX, uint64_t(INT64_MAX), true},
    };
    for (const Row& row : rows) {
        Status s = CheckFreeSpace("/some/folder", row.bytes, Reporting(row.free));
        EXPECT_EQ(s.ok(), row.fits) << row.free << " free, " << row.bytes << " wanted";
        if (!s.ok()) {
            EXPECT_NE(s.message().find("/some/folder"), std::string::npos) << s.message();
        }
    }
}

TEST(CheckFreeSpace, AnUnknownFreeSpaceIsLeftToTheWrite) {
    FreeSpaceQuery failing = [](const std::string&) -> Result<uint64_t> { return MakeError("no statvfs"); };
    EXPECT_TRUE(CheckFreeSpace("/x", 1000 * kMiB, failing).ok());
    EXPECT_TRUE(CheckFreeSpace("/x", 1000 * kMiB, FreeSpaceQuery{}).ok());
}

TEST(QueryFreeSpace, RealFolderAndMissingFolder) {
    TempDir dir;
    Result<uint64_t> free = QueryFreeSpace(dir.Path().string());
    ASSERT_TRUE(free.ok()) << free.message();
    EXPECT_FALSE(QueryFreeSpace(dir.File("missing/folder")).ok());
}

// A raw item and a compressed one whose 1 KiB stream declares 64 MiB: both refused on a disk
// with 32 MiB free, before a temporary file is made, and an older file of the name stays.
TEST(ExtractionSpace, OversizeItemIsRefusedBeforeWriting) {
    TempDir dir;
    const std::string source = dir.File("show.scr");
    std::vector<uint8_t> zeros(64 * kMiB / 1024, 0);
    uLongf length = compressBound(uLong(zeros.size()));
    std::vector<uint8_t> stream(length);
    ASSERT_EQ(compress2(stream.data(), &length, zeros.data(), uLong(zeros.size()), 9), Z_OK);
    stream.resize(length);
    WriteFileBytes(source, stream);
    auto file = FileSource::Open(source);
    ASSERT_TRUE(file.ok());

    std::filesystem::create_directory(dir.File("out"));
    const std::string target = dir.File("out/SSIMG.bmp");
    WriteFileBytes(target, {7});
    const auto nearlyFull = Reporting(32 * kMiB);
    Status compressed = ExtractItemFrom(**file, target, true, 0, int64_t(stream.size()), int64_t(64 * kMiB), nearlyFull);
    ASSERT_FALSE(compressed.ok());
    EXPECT_NE(compressed.message().find("does not fit"), std::string::npos) << compressed.message();
    Status raw = ExtractItemFrom(**file, target, false, 0, 0, int64_t(stream.size()), Reporting(stream.size()));
    EXPECT_FALSE(raw.ok());
    EXPECT_EQ(ReadFileBytes(target), std::vector<uint8_t>{7});
    EXPECT_EQ(EntriesIn(dir.File("out")), 1u);

    // With room to spare the same item comes out whole.
    ASSERT_TRUE(ExtractItemFrom(**file, target, false, 0, 0, int64_t(stream.size()), Reporting(kMiB)).ok());
    EXPECT_EQ(ReadFileBytes(target), stream);
}

// The real file system: a 1 MiB tmpfs keeps 5 % (about 51 KiB) free.
TEST(ExtractionSpace, SmallTmpfs) {
    TempDir dir;
    const std::filesystem::path mountPoint = dir.Path() / "tiny";
    std::filesystem::create_directory(mountPoint);
    if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    struct Unmount {
        const char* path;
        ~Unmount() { ::umount2(path, MNT_DETACH); }
    } unmount{mountPoint.c_str()};

    std::vector<uint8_t> bytes(2 * kMiB, 0x5A);
    const std::string source = dir.File("show.scr");
    WriteFileBytes(source, bytes);
    const std::string big = (mountPoint / "big.jpg").string();
    Status refused = ExtractItem(source, big, false, 0, 0, int64_t(bytes.size()));
    EXPECT_FALSE(refused.ok());
    EXPECT_NE(refused.message().find("does not fit"), std::string::npos) << refused.message();
    EXPECT_EQ(EntriesIn(mountPoint), 0u);

    const std::string small = (mountPoint / "small.jpg").string();
    ASSERT_TRUE(ExtractItem(source, small, false, 0, 0, 100 * 1024).ok());
    EXPECT_EQ(std::filesystem::file_size(small), 100u * 1024);
}

} // namespace
} // namespace vorlandite::payload
