// The engine's temporary folders: one per process inside the private per-user folder, removed
// at exit, and those of processes that no longer run removed at start.

#include "platform/PlatformPaths.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vorlandite::platform {
namespace {

namespace fs = std::filesystem;

class TempFolders : public ::testing::Test {
protected:
    fs::path User() const { return dir_.Path() / ("vorlandite-" + std::to_string(::geteuid())); }

    // The id of a process that has ended (and been reaped).
    static pid_t EndedProcess() {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(0);
        int status = 0;
        ::waitpid(child, &status, 0);
        return child;
    }

    testing::TempDir dir_;
    testing::ScopedEnv runtimeDir_{"XDG_RUNTIME_DIR", dir_.Path().c_str()};
};

TEST_F(TempFolders, EachProcessHasAPrivateFolderOfItsOwnThatGoesAtExit) {
    auto folder = TempFolder();
    ASSERT_TRUE(folder.ok()) << folder.message();
    EXPECT_EQ(*folder, (User() / std::to_string(::getpid())).string() + "/");
    struct stat st {};
    ASSERT_EQ(::stat(folder->c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(User().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    std::ofstream(*folder + "SSIMG.jpg") << "item";
    RemoveTempFolder();
    EXPECT_FALSE(fs::exists(*folder));
    EXPECT_TRUE(fs::exists(User())) << "the per-user folder stays for the other engines";
    // Asked again, it is made again (a show whose folder someone removed goes on).
    ASSERT_TRUE(TempFolder().ok());
    EXPECT_TRUE(fs::is_directory(*folder));
    RemoveTempFolder();
}

TEST_F(TempFolders, AProcessFolderThatIsALinkIsRefusedAndNeverFollowed) {
    const fs::path elsewhere = dir_.Path() / "elsewhere";
    fs::create_directories(elsewhere);
    std::ofstream(elsewhere / "keep") << "not ours to remove";
    fs::create_directories(User());
    ::chmod(User().c_str(), 0700);
    fs::create_directory_symlink(elsewhere, User() / std::to_string(::getpid()));
    EXPECT_FALSE(TempFolder().ok());
    RemoveTempFolder();
    EXPECT_TRUE(fs::exists(elsewhere / "keep"));
}

TEST_F(TempFolders, OnlyFoldersOfEndedProcessesAreRemovedAtStart) {
    ASSERT_TRUE(TempFolder().ok());
    const pid_t ended = EndedProcess();
    const fs::path stale = User() / std::to_string(ended);
    fs::create_directories(stale / "inner");
    std::ofstream(stale / "SSSND.mp3") << "left behind";
    const fs::path living = User() / "1";  // init always runs
    fs::create_directories(living);
    const fs::path notAProcess = User() / "notes";
    fs::create_directories(notAProcess);
    const fs::path elsewhere = dir_.Path() / "elsewhere";
    fs::create_directories(elsewhere);
    const pid_t endedToo = EndedProcess();
    fs::create_directory_symlink(elsewhere, User() / std::to_string(endedToo));

    EXPECT_EQ(RemoveStaleTempFolders(), 1);
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(living));
    EXPECT_TRUE(fs::exists(notAProcess));
    EXPECT_TRUE(fs::exists(User() / std::to_string(::getpid()))) << "its own folder";
    EXPECT_TRUE(fs::exists(elsewhere)) << "a link is never followed";
    RemoveTempFolder();
}

TEST_F(TempFolders, NothingToCleanIsNoError) {
    EXPECT_EQ(RemoveStaleTempFolders(), 0);
    RemoveTempFolder();
    EXPECT_FALSE(fs::exists(User())) << "cleaning made a folder";
}

} // namespace
} // namespace vorlandite::platform
