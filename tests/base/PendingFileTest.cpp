// The pending file must never leave half a file under the target's name, nor a stray temporary
// file beside it, whatever happens between creation and commit.

#include "base/PendingFile.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace vorlandite {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t EntriesIn(const std::filesystem::path& folder) {
    return std::size_t(std::distance(std::filesystem::directory_iterator(folder), {}));
}

TEST(PendingFileTest, TheTargetChangesOnlyAtCommit) {
    testing::TempDir dir;
    const std::string target = dir.File("out.bin");
    std::ofstream(target) << "old";
    {
        PendingFile file(target);
        ASSERT_TRUE(file.IsOpen());
        ASSERT_TRUE(file.Write("new content", 11));
        EXPECT_EQ(ReadAll(target), "old");
        ASSERT_TRUE(file.Commit().ok());
    }
    EXPECT_EQ(ReadAll(target), "new content");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(PendingFileTest, AnAbandonedFileLeavesTheOldTargetAndNoTemporaryFile) {
    testing::TempDir dir;
    const std::string target = dir.File("out.bin");
    std::ofstream(target) << "old";
    {
        PendingFile file(target);
        ASSERT_TRUE(file.Write("half", 4));
        ASSERT_TRUE(file.Close(0755).ok());
    }
    EXPECT_EQ(ReadAll(target), "old");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(PendingFileTest, ASettingsFileReplacedKeepsItsPermissionsAndANewOneGetsTheUsualOnes) {
    testing::TempDir dir;
    const std::string kept = dir.File("private.reg"), fresh = dir.File("new.reg");
    std::ofstream(kept) << "old";
    ASSERT_EQ(::chmod(kept.c_str(), 0600), 0);
    for (const std::string& target : {kept, fresh}) {
        PendingFile file(target);
        ASSERT_TRUE(file.IsOpen());
        ASSERT_TRUE(file.WriteDurablyKeepingMode("new text"));
        ASSERT_TRUE(file.Commit());
        EXPECT_EQ(ReadAll(target), "new text");
    }
    struct stat st {};
    ASSERT_EQ(::stat(kept.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);  // no temporary file left beside them
}

TEST(PendingFileTest, AWriteThroughALinkReplacesTheLinksTargetAndKeepsTheLink) {
    testing::TempDir dir;
    const std::string real = dir.File("real.reg"), link = dir.File("link.reg"), dangling = dir.File("gone.reg");
    std::ofstream(real) << "old";
    std::filesystem::create_symlink(real, link);
    std::filesystem::create_symlink(dir.File("nowhere.reg"), dangling);
    EXPECT_EQ(WriteThroughTarget(real), real);
    EXPECT_EQ(WriteThroughTarget(link), std::filesystem::canonical(real).string());
    EXPECT_EQ(WriteThroughTarget(dangling), dangling);  // nothing to write through to
    PendingFile file(WriteThroughTarget(link));
    ASSERT_TRUE(file.WriteDurablyKeepingMode("new"));
    ASSERT_TRUE(file.Commit());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadAll(link), "new");
}

TEST(PendingFileTest, AMissingFolderIsReportedNotCommitted) {
    testing::TempDir dir;
    PendingFile file(dir.File("no-such-folder/out.bin"));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.Commit().ok());
}

} // namespace
} // namespace vorlandite
