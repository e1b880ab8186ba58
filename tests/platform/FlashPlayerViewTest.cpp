// One player view for all Flash items of a show, on a private Xvfb with the real player: movies
// in a row in the one view, controls that overlap, and failures, judged by what the X server
// shows, what the player's scheme still serves, and what each control reports.

#include "e2e/XSession.h"
#include "formats/swf/SwfWriter.h"
#include "platform/flash/RuffleFlashControl.h"
#include "platform/flash/RuffleFlashFactory.h"
#include "platform/flash/RufflePlayerView.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWidget>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

namespace vorlandite::platform {
namespace {

using testing::XvfbServer;

constexpr int kWidth = 400, kHeight = 300;
constexpr uint32_t kRed = 0xC03020, kGreen = 0x20C040, kBlue = 0x3040C0;

// A stage of one colour filling the panel, for `frames` frames at 10 per second, a stop on the
// last.
std::vector<uint8_t> StageMovie(uint32_t rgb, int frames) {
    swf::SwfRecipe recipe;
    recipe.xmax = kWidth * 20;
    recipe.ymax = kHeight * 20;
    recipe.background[0] = uint8_t(rgb >> 16);
    recipe.background[1] = uint8_t(rgb >> 8);
    recipe.background[2] = uint8_t(rgb);
    recipe.frames.resize(std::size_t(frames));
    recipe.frames.back().stop = true;
    return swf::WriteSwf(recipe);
}

// The same with a tone from its first frame on: a second of 440 Hz, looped a thousand times.
std::vector<uint8_t> ToneMovie(uint32_t rgb, int frames) {
    constexpr uint16_t kShowFrame = 1, kSetBackgroundColor = 9, kDoAction = 12, kDefineSound = 14, kStartSound = 15;
    std::vector<uint8_t> body = swf::SwfRectBytes(15, 0, kWidth * 20, 0, kHeight * 20);
    swf::SwfPutU16(body, 10 << 8);
    swf::SwfPutU16(body, uint32_t(frames));
    swf::SwfPutTag(body, kSetBackgroundColor, {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)}, true);
    std::vector<uint8_t> sound;
    swf::SwfPutU16(sound, 1);
    sound.push_back(0x36);  // uncompressed little-endian samples, 11 kHz, 16 bits, mono
    constexpr int kSamples = 11025;
    swf::SwfPutU32(sound, kSamples);
    for (int i = 0; i < kSamples; ++i)
        swf::SwfPutU16(sound, uint16_t(int16_t(12000 * std::sin(2 * M_PI * 440 * i / double(kSamples)))));
    swf::SwfPutTag(body, kDefineSound, sound);
    std::vector<uint8_t> start;
    swf::SwfPutU16(start, 1);
    start.push_back(0x04);  // loops follow
    swf::SwfPutU16(start, 1000);
    swf::SwfPutTag(body, kStartSound, start);
    for (int frame = 0; frame < frames; ++frame) {
        if (frame == frames - 1)
            swf::SwfPutTag(body, kDoAction, {0x07, 0x00});
        swf::SwfPutTag(body, kShowFrame, {});
    }
    swf::SwfPutTag(body, 0, {});
    std::vector<uint8_t> file{'F', 'W', 'S', 8};
    swf::SwfPutU32(file, uint32_t(8 + body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

bool Near(uint32_t pixel, uint32_t colour) {
    for (int shift : {0, 8, 16})
        if (std::abs(int((pixel >> shift) & 0xFF) - int((colour >> shift) & 0xFF)) > 24)
            return false;
    return true;
}

// Runs the event loop until `done` holds or `limitMs` has passed (only a bound against a hang);
// whether `done` held.
bool RunUntil(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() >= limitMs)
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

class FlashPlayerViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = new XvfbServer;
        if (!server_->Start("640x480x24")) {
            skipReason_ = "no private X server: " + server_->Error();
            delete server_;
            server_ = nullptr;
            return;
        }
        // The one application of this process draws on the private server.
        setenv("DISPLAY", server_->DisplayName().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
        static int argc = 1;
        static char name[] = "flash_player_view_test";
        static char* argv[] = {name, nullptr};
        application_ = new QApplication(argc, argv);
    }

    // The application goes while the program still runs: the browser engine's shared graphics
    // context cannot be taken down from the exit handlers.
    static void TearDownTestSuite() {
        delete application_;
        application_ = nullptr;
        delete server_;
        server_ = nullptr;
    }

    void SetUp() override {
        if (!server_)
            GTEST_SKIP() << skipReason_;
        for (const auto& [name, bytes] : {std::pair{"red.swf", StageMovie(kRed, 100)},
                                          std::pair{"green.swf", StageMovie(kGreen, 100)},
                                          std::pair{"tone.swf", ToneMovie(kBlue, 100)}})
            std::ofstream(dir_.File(name), std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        std::ofstream(dir_.File("text.swf"), std::ios::binary) << "this is no movie at all";
        window_.setGeometry(0, 0, kWidth, kHeight);
        window_.setStyleSheet(QStringLiteral("background: black"));
        window_.show();
        panel_ = new QWidget(&window_);
        panel_->setGeometry(0, 0, kWidth, kHeight);
        panel_->setAutoFillBackground(true);
        panel_->show();
        ASSERT_TRUE(RunUntil([&] { return ScreenShows(0x000000); }, 5000));
        factory_ = std::make_unique<RuffleFlashFactory>(*panel_, QStringLiteral(VORLANDITE_FLASH_RUNTIME_DIR));
    }

    void TearDown() override { factory_.reset(); }

    // The middle of the panel on the X server's screen.
    bool ScreenShows(uint32_t colour) const {
        return Near(testing::RootPixel(server_->Connection(), kWidth / 2, kHeight / 2), colour);
    }

    // A control started as the show starts a Flash item.
    std::unique_ptr<IFlashControl> StartMovie(const std::string& file) {
        auto made = factory_->CreateFlashControl();
        EXPECT_TRUE(made.ok());
        if (!made)
            return nullptr;
        std::unique_ptr<IFlashControl> control = std::move(made).value();
        control->SetBounds(0, 0, kWidth, kHeight);
        control->SetVisible(true);
        control->SetMovie(dir_.File(file));
        control->Play();
        return control;
    }

    // As the show ends a Flash item, then drops its control.
    void EndMovie(std::unique_ptr<IFlashControl>& control) {
        control->Stop();
        control->SetVisible(false);
        control->SetMovie(kNoMovie);
        control.reset();
    }

    RufflePlayerView& View() { return factory_->PlayerView(); }

    // The page's answer to a script; empty when none came.
    QVariant Evaluate(const QString& script) {
        auto answer = std::make_shared<std::optional<QVariant>>();
        View().Page()->runJavaScript(script, [answer](const QVariant& value) { *answer = value; });
        RunUntil([&] { return answer->has_value(); }, 10000);
        return answer->value_or(QVariant());
    }

    // Whether the player's scheme still serves a movie token, asked from inside the page.
    bool Served(const QString& token) {
        return Evaluate(QStringLiteral(R"((() => {
            const request = new XMLHttpRequest();
            request.open("GET", "vorlandite-flash://player/movie/%1", false);
            try { request.send(); } catch (error) { return false; }
            return request.status === 0 || request.status === 200;
        })())")
                            .arg(token))
            .toBool();
    }

    int PlayerElements() { return Evaluate(QStringLiteral("document.querySelectorAll('ruffle-player').length")).toInt(); }

    static inline XvfbServer* server_ = nullptr;
    static inline QApplication* application_ = nullptr;
    static inline std::string skipReason_;
    testing::TempDir dir_;
    QWidget window_;
    QWidget* panel_ = nullptr;
    std::unique_ptr<RuffleFlashFactory> factory_;
};

TEST_F(FlashPlayerViewTest, TheNextMovieShowsItsOwnStageAndTheOneBeforeIsGoneFromThePage) {
    auto first = StartMovie("red.swf");
    ASSERT_TRUE(RunUntil([&] { return ScreenShows(kRed); }, 30000)) << "the first movie never showed";
    const QString firstToken = View().MovieToken();
    ASSERT_FALSE(firstToken.isEmpty());
    EXPECT_TRUE(Served(firstToken));
    EndMovie(first);
    ASSERT_TRUE(RunUntil([&] { return ScreenShows(0x000000); }, 5000)) << "the view stayed after its item";

    // From the moment the next item starts, the old stage must never be on screen again: the
    // view's last frame is the old movie's.
    auto second = StartMovie("green.swf");
    bool oldStageSeen = false;
    ASSERT_TRUE(RunUntil(
        [&] {
            oldStageSeen = oldStageSeen || ScreenShows(kRed);
            return ScreenShows(kGreen);
        },
        30000))
        << "the second movie never showed";
    EXPECT_FALSE(oldStageSeen) << "the first movie's stage came back with the second item";
    EXPECT_TRUE(second->IsPlaying());

    const QString secondToken = View().MovieToken();
    EXPECT_NE(secondToken, firstToken);
    EXPECT_FALSE(Served(firstToken)) << "the first movie's token still opens its file";
    EXPECT_TRUE(Served(secondToken));
    // The first movie's player (its instance, sound and timers) has left the page.
    EXPECT_TRUE(RunUntil([&] { return PlayerElements() == 1; }, 10000)) << PlayerElements() << " players on the page";
}

TEST_F(FlashPlayerViewTest, AnOlderControlIsInertAndDroppingItLeavesTheNewerOnePlaying) {
    auto older = StartMovie("red.swf");
    ASSERT_TRUE(RunUntil([&] { return ScreenShows(kRed); }, 30000));
    auto newer = StartMovie("green.swf");
    ASSERT_TRUE(RunUntil([&] { return ScreenShows(kGreen); }, 30000));
    const QString token = View().MovieToken();
    EXPECT_FALSE(older->IsPlaying()) << "the older control's movie is gone from the view";

    // Everything the show might still do with the older control reaches nothing.
    older->Stop();
    older->SetBounds(0, 0, 10, 10);
    older->SetVisible(false);
    older->SetInputEnabled(false);
    older->SetMovie(kNoMovie);
    older.reset();
    RunUntil([] { return false; }, 1000);

    EXPECT_TRUE(ScreenShows(kGreen));
    EXPECT_TRUE(newer->IsPlaying());
    EXPECT_EQ(View().MovieToken(), token);
    EXPECT_TRUE(Served(token));
    EXPECT_FALSE(View().Widget()->testAttribute(Qt::WA_TransparentForMouseEvents));
}

// A movie the player cannot play fails its own control only, whether its failure comes before
// the next movie is set or after.
TEST_F(FlashPlayerViewTest, AFailedMovieDoesNotFailTheNextOne) {
    struct Case {
        const char* file;
        bool failureFirst;
    };
    for (const Case& row : {Case{"text.swf", true}, Case{"missing.swf", true}, Case{"text.swf", false},
                            Case{"missing.swf", false}}) {
        SCOPED_TRACE(std::string(row.file) + (row.failureFirst ? ", the failure comes first" : ", the next movie comes first"));
        const bool failureFirst = row.failureFirst;
        auto broken = StartMovie(row.file);
        if (failureFirst) {
            ASSERT_TRUE(RunUntil([&] { return !broken->IsPlaying(); }, 30000)) << "the broken movie never failed";
        }
        auto next = StartMovie("green.swf");
        ASSERT_TRUE(RunUntil([&] { return ScreenShows(kGreen); }, 30000)) << "the movie after the broken one never showed";
        RunUntil([] { return false; }, 1000);  // a late word of the broken movie would be in by now
        EXPECT_TRUE(next->IsPlaying());
        EXPECT_FALSE(broken->IsPlaying());
        broken.reset();
        EndMovie(next);
    }
}

// What the page says is tied to the movie it is about; lines about an earlier movie, and lines
// that are not the page's own, change nothing for the current one.
TEST_F(FlashPlayerViewTest, PageWordsAboutAnotherMovieOrMalformedAreDropped) {
    auto older = StartMovie("red.swf");
    const uint64_t olderMovie = View().MovieNumber();
    auto current = StartMovie("green.swf");
    const QString currentMovie = QString::number(View().MovieNumber());
    ASSERT_NE(View().MovieNumber(), olderMovie);

    for (const QString& line :
         {QStringLiteral("%1:failed the player stopped on an error").arg(olderMovie), QStringLiteral(""),
          QStringLiteral("failed"), QStringLiteral(":failed"), QStringLiteral("x:failed"),
          QStringLiteral("99999999999999999999999999:failed"), QStringLiteral("-1:failed"),
          QStringLiteral("0:failed warming up"), QStringLiteral("0:cleared 12345")}) {
        View().OnPageMessage(line);
        EXPECT_TRUE(current->IsPlaying()) << qPrintable(line);
    }
    View().OnPageMessage(currentMovie + QStringLiteral(":failed the player stopped on an error"));
    EXPECT_FALSE(current->IsPlaying()) << "the current movie's own failure must count";
}

// The players' sound, listened to where it leaves the page: a movie's tone is heard while it
// plays and never again once the next movie has come.
TEST_F(FlashPlayerViewTest, TheSoundOfAMovieEndsWithIt) {
    auto tone = StartMovie("tone.swf");
    ASSERT_TRUE(RunUntil([&] { return ScreenShows(kBlue); }, 30000)) << "the movie with sound never showed";
    const QString state = Evaluate(QStringLiteral(R"((() => {
        const output = window.vorlanditeAudioOutput && window.vorlanditeAudioOutput();
        if (!output)
            return "none";
        window.testTap = output.context.createAnalyser();
        output.node.connect(window.testTap);
        return output.context.state;
    })())")).toString();
    if (state != QLatin1String("running"))
        GTEST_SKIP() << "no running audio output here (" << qPrintable(state) << ")";
    const auto level = [&] {
        return Evaluate(QStringLiteral(R"((() => {
            const samples = new Float32Array(window.testTap.fftSize);
            window.testTap.getFloatTimeDomainData(samples);
            return samples.reduce((peak, value) => Math.max(peak, Math.abs(value)), 0);
        })())")).toDouble();
    };
    EXPECT_TRUE(RunUntil([&] { return level() > 0.05; }, 10000)) << "the tone was never heard";

    EndMovie(tone);
    auto silent = StartMovie("green.swf");
    ASSERT_TRUE(RunUntil([&] { return ScreenShows(kGreen); }, 30000));
    double loudest = 0;
    RunUntil([&] {
        loudest = std::max(loudest, level());
        return false;
    }, 1500);
    EXPECT_LT(loudest, 0.001) << "the first movie is still heard in the next";
}

// Once a movie has gone nothing of it stays on the page, whatever the player's core keeps: not
// its stage's pixels, not its sounds' output stage, not their samples. Movies with and without
// sound, one after the other.
TEST_F(FlashPlayerViewTest, AMovieThatHasGoneLeavesNoPixelsOrSoundsOnThePage) {
    const auto leftovers = [&] {
        return Evaluate(QStringLiteral("JSON.stringify(window.vorlanditeLeftovers())")).toString();
    };
    const QString none = QStringLiteral(R"({"pixels":0,"stages":0,"samples":0})");
    struct Case {
        const char* file;
        uint32_t stage;
    };
    for (const Case& row : {Case{"tone.swf", kBlue}, Case{"red.swf", kRed}, Case{"tone.swf", kBlue}}) {
        SCOPED_TRACE(row.file);
        auto control = StartMovie(row.file);
        ASSERT_TRUE(RunUntil([&] { return ScreenShows(row.stage); }, 30000)) << "the movie never showed";
        RunUntil([] { return false; }, 500);  // its sound is under way
        EndMovie(control);
        ASSERT_TRUE(RunUntil([&] { return ScreenShows(0x000000); }, 5000));
        EXPECT_TRUE(RunUntil([&] { return leftovers() == none; }, 10000)) << qPrintable(leftovers());
    }
    EXPECT_EQ(PlayerElements(), 0);
}

// The start-up milestones are the benchmarks' alone: without $VORLANDITE_TIMINGS the page neither
// wraps the browser's compiler entry points nor says anything about timings.
TEST_F(FlashPlayerViewTest, WithoutTimingsThePageKeepsTheBrowsersOwnFunctions) {
    if (std::getenv("VORLANDITE_TIMINGS"))
        GTEST_SKIP() << "$VORLANDITE_TIMINGS is set";
    auto control = StartMovie("red.swf");
    ASSERT_TRUE(RunUntil([&] { return ScreenShows(kRed); }, 30000));
    EXPECT_EQ(Evaluate(QStringLiteral(R"(["instantiateStreaming", "instantiate", "compileStreaming", "compile"]
        .every((name) => String(WebAssembly[name]).includes("[native code]")))")),
              QVariant(true));
    EXPECT_EQ(View().Page()->url().query(), QString());
}

TEST_F(FlashPlayerViewTest, PreparingMakesTheViewHiddenAndAMovieStillStartsOnIt) {
    factory_->Prepare();
    ASSERT_NE(View().Widget(), nullptr);
    EXPECT_FALSE(View().Widget()->isVisible());
    // While the page loads and the player's core compiles, nothing shows on the panel.
    bool shown = false;
    RunUntil([&] { return (shown = !ScreenShows(0x000000)); }, 3000);
    EXPECT_FALSE(shown);

    auto control = StartMovie("red.swf");
    ASSERT_TRUE(RunUntil([&] { return ScreenShows(kRed); }, 30000));
    EXPECT_TRUE(control->IsPlaying());
}

} // namespace
} // namespace vorlandite::platform
