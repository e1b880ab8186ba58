// Finding the Flash runtime and what the engine's side of it does when the plugin is there but
// cannot be loaded: the show must go on without the movie.

#include "platform/FlashControl.h"
#include "platform/qt/FlashRuntimeLoader.h"
#include "support/TempDir.h"
#include "support/QtApplication.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace vorlandite::platform {
namespace {

namespace fs = std::filesystem;

class FlashRuntimeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        vorlandite::testing::EnsureQtApplication<QApplication>();
    }
    void TearDown() override { unsetenv("VORLANDITE_FLASH_RUNTIME"); }

    // A runtime folder with the files a runtime has; the plugin is not a library at all.
    std::string FakeRuntime(bool withPlayer = true) {
        const fs::path root = dir_.Path() / "flash";
        fs::create_directories(root / "ruffle");
        std::ofstream(root / kFlashPluginFile) << "not a shared object";
        if (withPlayer)
            std::ofstream(root / "ruffle" / "ruffle.js") << "// player";
        return root.string();
    }

    testing::TempDir dir_;
};

TEST_F(FlashRuntimeTest, TheChosenFolderCountsOnlyWithBothThePluginAndThePlayer) {
    const std::string complete = FakeRuntime();
    setenv("VORLANDITE_FLASH_RUNTIME", complete.c_str(), 1);
    EXPECT_EQ(FindFlashRuntime(), complete);
    EXPECT_TRUE(RegisterFlashControl());

    fs::remove(fs::path(complete) / "ruffle" / "ruffle.js");
    EXPECT_EQ(FindFlashRuntime(), std::nullopt);
    for (const char* none : {"", "none"}) {
        setenv("VORLANDITE_FLASH_RUNTIME", none, 1);
        EXPECT_FALSE(FlashRuntimeInstalled()) << "'" << none << "'";
    }
}

TEST_F(FlashRuntimeTest, APluginThatCannotBeLoadedLeavesTheControlWithoutAMovie) {
    QWidget panel;
    FlashRuntimeFactory factory(panel, FakeRuntime());
    // The start-up control never gets a movie: nothing is loaded for it.
    auto hidden = factory.CreateFlashControl();
    ASSERT_TRUE(hidden.ok());
    (*hidden)->SetVisible(false);
    (*hidden)->SetMovie("none");
    EXPECT_FALSE(factory.RuntimeLoaded());

    auto control = factory.CreateFlashControl();
    ASSERT_TRUE(control.ok());
    (*control)->SetMovie((dir_.Path() / "movie.swf").string());
    EXPECT_EQ((*control)->Movie(), "") << "the item must be passed over, not placed";
    (*control)->Play();
    EXPECT_FALSE((*control)->IsPlaying());
    EXPECT_FALSE((*control)->Playing());
    EXPECT_FALSE(factory.RuntimeLoaded());
    // Once the plugin failed, no more controls are made for the rest of the show.
    EXPECT_FALSE(factory.CreateFlashControl().ok());
}

// A show with Flash items prepares the runtime as it starts; a plugin that cannot be loaded then
// leaves it without Flash from the start (the controller's start-up control is refused, so the
// items are passed over), and preparing again tries nothing more.
TEST_F(FlashRuntimeTest, PreparingAPluginThatCannotBeLoadedLeavesTheShowWithoutFlash) {
    QWidget panel;
    FlashRuntimeFactory factory(panel, FakeRuntime());
    factory.Prepare();
    EXPECT_FALSE(factory.RuntimeLoaded());
    EXPECT_FALSE(factory.CreateFlashControl().ok());
    factory.Prepare();
    EXPECT_FALSE(factory.CreateFlashControl().ok());
}

} // namespace
} // namespace vorlandite::platform
