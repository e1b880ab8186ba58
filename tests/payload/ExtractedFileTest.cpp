// The scoped item file: made by each of its three ways, failures reported with no file left of
// the name, removal on scope exit, moves, and names met again (a stale file, a later file).

#include "payload/ExtractedFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace vorlandite::payload {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;
using Bytes = std::vector<uint8_t>;

const Bytes kItem = {'i', 't', 'e', 'm', 0, 1, 2, 3, 4, 5};
const Bytes kStale = {'s', 't', 'a', 'l', 'e'};

Bytes Compress(const Bytes& raw) {
    uLongf length = compressBound(uLong(raw.size()));
    Bytes out(length);
    EXPECT_EQ(compress2(out.data(), &length, raw.data(), uLong(raw.size()), 6), Z_OK);
    out.resize(length);
    return out;
}

// A screensaver file of 100 filler bytes, the item raw, then the item deflated.
struct Source {
    TempDir dir;
    Bytes compressed = Compress(kItem);
    std::string path = dir.File("show.scr");
    Source() {
        std::ofstream out(path, std::ios::binary);
        out << std::string(100, '\xEE');
        for (const Bytes* part : {&kItem, static_cast<const Bytes*>(&compressed)})
            out.write(reinterpret_cast<const char*>(part->data()), std::streamsize(part->size()));
    }
    StoredItem Raw() const { return {false, 100, 0, int64_t(kItem.size())}; }
    StoredItem Deflated() const {
        return {true, 100 + int64_t(kItem.size()), int64_t(compressed.size()), int64_t(kItem.size())};
    }
    std::string Target() const { return dir.File("SSIMG.png"); }
};

using Make = std::function<Result<ExtractedFile>(const Source&, const std::string& target)>;

struct MadeRow {
    const char* name;
    Make make;
    friend void PrintTo(const MadeRow& row, std::ostream* os) { *os << row.name; }
};

class MadeFileTest : public ::testing::TestWithParam<MadeRow> {};

TEST_P(MadeFileTest, HoldsTheBytesUntilScopeExitAndReplacesAStaleFile) {
    Source source;
    const std::string target = source.Target();
    WriteFileBytes(target, kStale);
    {
        auto made = GetParam().make(source, target);
        ASSERT_TRUE(made.ok()) << made.message();
        EXPECT_TRUE(made->Holds());
        EXPECT_EQ(made->Path(), target);
        EXPECT_EQ(ReadFileBytes(target), kItem);
    }
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(std::distance(fs::directory_iterator(source.dir.Path()), {}), 1) << "only the source is left";
}

INSTANTIATE_TEST_SUITE_P(
    Ways, MadeFileTest,
    ::testing::Values(
        MadeRow{"Raw",
                [](const Source& s, const std::string& target) {
                    return ExtractedFile::Extract(s.path, target, s.Raw());
                }},
        MadeRow{"Deflated",
                [](const Source& s, const std::string& target) {
                    return ExtractedFile::Extract(s.path, target, s.Deflated());
                }},
        MadeRow{"FromOpenSource",
                [](const Source& s, const std::string& target) {
                    auto open = FileSource::Open(s.path);
                    EXPECT_TRUE(open.ok());
                    return ExtractedFile::ExtractFrom(**open, target, s.Deflated());
                }},
        MadeRow{"GivenBytes",
                [](const Source&, const std::string& target) { return ExtractedFile::Write(target, kItem); }}),
    [](const auto& row) { return std::string(row.param.name); });

struct FailureRow {
    const char* name;
    Make make;
    friend void PrintTo(const FailureRow& row, std::ostream* os) { *os << row.name; }
};

class FailedFileTest : public ::testing::TestWithParam<FailureRow> {};

// A failure is an error, and a file of the name that an earlier item or run left is gone: it
// can never stand in for the item that could not be made.
TEST_P(FailedFileTest, IsAnErrorAndLeavesNoFileOfTheName) {
    Source source;
    const std::string target = source.Target();
    WriteFileBytes(target, kStale);
    auto made = GetParam().make(source, target);
    EXPECT_FALSE(made.ok());
    EXPECT_FALSE(made.message().empty());
    EXPECT_FALSE(fs::exists(target));
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailedFileTest,
    ::testing::Values(
        FailureRow{"RangePastTheEnd",
                   [](const Source& s, const std::string& target) {
                       return ExtractedFile::Extract(s.path, target, {false, 100, 0, 1 << 20});
                   }},
        FailureRow{"NegativeSize",
                   [](const Source& s, const std::string& target) {
                       return ExtractedFile::Extract(s.path, target, {false, 100, 0, -1});
                   }},
        FailureRow{"CorruptStream",
                   [](const Source& s, const std::string& target) {
                       StoredItem item = s.Deflated();
                       item.Offset = 0;  // the filler is no zlib stream
                       return ExtractedFile::Extract(s.path, target, item);
                   }},
        FailureRow{"MissingScreensaver",
                   [](const Source& s, const std::string& target) {
                       return ExtractedFile::Extract(s.dir.File("gone.scr"), target, s.Raw());
                   }},
        FailureRow{"OpenSourceRangePastTheEnd",
                   [](const Source& s, const std::string& target) {
                       auto open = FileSource::Open(s.path);
                       EXPECT_TRUE(open.ok());
                       return ExtractedFile::ExtractFrom(**open, target, {false, 1000, 0, 10});
                   }}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ExtractedFileTest, TargetFolderThatIsNotThereIsAnError) {
    Source source;
    const std::string target = source.dir.File("no/such/folder/SSIMG.png");
    EXPECT_FALSE(ExtractedFile::Extract(source.path, target, source.Raw()).ok());
    EXPECT_FALSE(ExtractedFile::Write(target, kItem).ok());
}

TEST(ExtractedFileTest, MovedFromObjectsRemoveNothing) {
    Source source;
    auto made = ExtractedFile::Extract(source.path, source.Target(), source.Raw());
    ASSERT_TRUE(made.ok());
    ExtractedFile last;
    {
        ExtractedFile first = std::move(made).value();
        ExtractedFile second(std::move(first));
        EXPECT_FALSE(first.Holds());
        first.Reset();
        last = std::move(second);
        EXPECT_FALSE(second.Holds());
    }  // both moved from
    EXPECT_EQ(ReadFileBytes(source.Target()), kItem);
    EXPECT_EQ(last.Path(), source.Target());
    last.Reset();
    EXPECT_FALSE(fs::exists(source.Target()));
}

TEST(ExtractedFileTest, MoveAssignmentRemovesTheFileItHeldBefore) {
    Source source;
    auto png = ExtractedFile::Extract(source.path, source.dir.File("SSIMG.png"), source.Raw());
    auto gif = ExtractedFile::Extract(source.path, source.dir.File("SSIMG.gif"), source.Raw());
    ASSERT_TRUE(png.ok() && gif.ok());
    ExtractedFile held = std::move(png).value();
    held = std::move(gif).value();
    EXPECT_FALSE(fs::exists(source.dir.File("SSIMG.png")));
    EXPECT_TRUE(fs::exists(source.dir.File("SSIMG.gif")));
    EXPECT_EQ(held.Path(), source.dir.File("SSIMG.gif"));
}

// The fixed names are met again: a later file of the same name belongs to its own holder.
TEST(ExtractedFileTest, AnEarlierHolderLeavesALaterFileOfTheSameName) {
    Source source;
    auto earlier = ExtractedFile::Extract(source.path, source.Target(), source.Raw());
    ASSERT_TRUE(earlier.ok());
    auto later = ExtractedFile::Write(source.Target(), kStale);
    ASSERT_TRUE(later.ok());
    earlier->Reset();
    EXPECT_EQ(ReadFileBytes(source.Target()), kStale);
    later->Reset();
    EXPECT_FALSE(fs::exists(source.Target()));
}

TEST(ExtractedFileTest, ReleaseLeavesTheFileAndResetOfAGoneFileIsQuiet) {
    Source source;
    std::string kept;
    {
        auto made = ExtractedFile::Extract(source.path, source.Target(), source.Raw());
        ASSERT_TRUE(made.ok());
        kept = made->Release();
        EXPECT_FALSE(made->Holds());
    }
    EXPECT_EQ(kept, source.Target());
    EXPECT_EQ(ReadFileBytes(kept), kItem);

    auto gone = ExtractedFile::Write(source.dir.File("SSSND.wav"), kItem);
    ASSERT_TRUE(gone.ok());
    RemoveLeftover(gone->Path());
    gone->Reset();
    EXPECT_FALSE(gone->Holds());
}

TEST(ExtractedFileTest, EmptyItemIsAnEmptyFile) {
    TempDir dir;
    auto made = ExtractedFile::Write(dir.File("SSDATA.DAT"), {});
    ASSERT_TRUE(made.ok()) << made.message();
    EXPECT_EQ(fs::file_size(made->Path()), 0u);
}

TEST(ExtractedFileTest, RemoveLeftoverTakesAFileOfTheNameAndIgnoresWhatIsNotThere) {
    TempDir dir;
    const std::string leftover = dir.File("SSSND.mp3");
    WriteFileBytes(leftover, kStale);
    RemoveLeftover(leftover);
    EXPECT_FALSE(fs::exists(leftover));
    RemoveLeftover(leftover);
    RemoveLeftover("");
}

} // namespace
} // namespace vorlandite::payload
