#pragma once
// What the end-to-end tests share: a screensaver file made of one solid picture item with the
// user's exit settings stored, the engine started on a private X server, and the checks of what
// the screen shows.

#include "e2e/SolidBmp.h"
#include "e2e/XSession.h"
#include "payload/PayloadWriter.h"
#include "payload/SettingsStore.h"
#include "platform/FileRegistry.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace vorlandite::e2e {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::XvfbServer;

constexpr uint32_t kItemColour = 0x20A060;  // 0xRRGGBB on screen
constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

struct ExitSettings {
    bool mouseMove = true;
    bool mouseButton = true;
    bool keyboard = true;
    bool esc = true;
};

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (XvfbServer::FindBinary().empty())
            GTEST_SKIP() << "Xvfb is not installed";
    }

    void StartServer(const std::string& screen = "1024x768x24") {
        ASSERT_TRUE(server_.Start(screen)) << server_.Error();
        display_ = server_.Connection();
    }

    // One screen-sized picture item of kItemColour on a black background, and the user's exit
    // settings stored as the configuration dialog stores them.
    // `adjust` may change the payload before it is written.
    std::string MakeScreensaver(const ExitSettings& exits,
                                const std::function<void(payload::PayloadDraft&)>& adjust = {},
                                const std::string& fileName = "Show.scr") {
        const std::string path = dir_.File(fileName);
        fs::copy_file(VORLANDITE_ENGINE_PATH, path);
        payload::PayloadDraft draft;
        draft.strings.Title = "End To End";
        draft.header.Seconds = 60;
        draft.header.BackgroundColor = 0;
        draft.header.BackgroundColor2 = 0;
        payload::DraftItem<payload::TKelImageInfo> item;
        item.record.Ext = ".BMP";
        item.content = payload::Content::FromBytes(SolidBmp(kScreenWidth, kScreenHeight, kItemColour));
        item.compressed = true;
        draft.images.push_back(std::move(item));
        if (adjust)
            adjust(draft);
        auto sink = payload::FileSink::OpenForAppend(path);
        EXPECT_TRUE(sink.ok());
        EXPECT_TRUE(payload::WritePayload(draft, **sink).ok());
        EXPECT_TRUE((*sink)->Close().ok());
        fs::permissions(path, fs::perms::owner_all);

        platform::FileRegistry registry(dir_.File("config") + "/vorlandite/user.reg");
        auto settings = payload::CurrentSettings(draft.header, draft.strings, false);
        settings.ExitMouseMove = exits.mouseMove;
        settings.ExitMouseButton = exits.mouseButton;
        settings.ExitKeyboard = exits.keyboard;
        settings.ExitESC = exits.esc;
        EXPECT_TRUE(payload::SaveSettings(registry, draft.strings.Title, settings).ok());
        return path;
    }

    std::vector<std::string> EngineEnvironment() const {
        return {"DISPLAY=" + server_.DisplayName(), "QT_QPA_PLATFORM=xcb", "XDG_CONFIG_HOME=" + dir_.File("config"),
                "XDG_RUNTIME_DIR=" + dir_.Path().string(), "VORLANDITE_FLASH_DEBUG=1"};
    }

    void StartEngine(const std::vector<std::string>& argv, std::vector<std::string> extraEnvironment = {}) {
        std::vector<std::string> environment = EngineEnvironment();
        environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
        ASSERT_TRUE(engine_.Start(argv, environment));
    }

    // The item fills the area: corners, centre and an edge point.
    bool ShowsItem(int left, int top, int width, int height) {
        const int points[][2] = {{left, top},
                                 {left + width - 1, top},
                                 {left, top + height - 1},
                                 {left + width - 1, top + height - 1},
                                 {left + width / 2, top + height / 2},
                                 {left + 7, top + height / 3}};
        for (const auto& p : points)
            if (testing::RootPixel(display_, p[0], p[1]) != kItemColour)
                return false;
        return true;
    }

    void WaitForShow() {
        ASSERT_TRUE(testing::WaitUntil([&] { return ShowsItem(0, 0, kScreenWidth, kScreenHeight); }, 8s))
            << "the first item never covered the screen; engine said:\n" << engine_.Output();
        // The window's own start-up messages (activation, focus) must have come and gone.
        std::this_thread::sleep_for(400ms);
        ASSERT_TRUE(engine_.Running()) << "the show ended by itself:\n" << engine_.Output();
    }

    void ExpectStillRunning(const char* after) {
        std::this_thread::sleep_for(800ms);
        EXPECT_TRUE(engine_.Running()) << "ended after " << after << ":\n" << engine_.Output();
    }

    void ExpectEnds(const char* after) {
        ASSERT_TRUE(engine_.WaitForExit(5s)) << "still running after " << after;
        EXPECT_EQ(engine_.ExitCode(), 0) << engine_.Output();
    }

    testing::TempDir dir_;
    XvfbServer server_;
    Display* display_ = nullptr;
    ChildProcess engine_;
};

} // namespace vorlandite::e2e
