// The GIF animation on a virtual clock: frame timing and looping, stopping, and the frames as
// they land on the display surface. The GIFs are written by the decoder tests' writer.

#include "slideshow/GifAnimation.h"

#include "raster/decoders/PictureWriters.h"
#include "raster/ImageFilters.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <ostream>

#include <utility>
#include <vector>

namespace vorlandite::slideshow {
namespace {

using raster::TBitmap32;
using raster::TColor32;
using raster::TRect;
using testing::GifFrameRecipe;
using testing::GifRecipe;

constexpr TColor32 kBackdrop = 0xFF102030;
constexpr TColor32 kRed = 0xFFFF0000;
constexpr TColor32 kGreen = 0xFF00FF00;
constexpr TColor32 kBlue = 0xFF0000FF;
constexpr TColor32 kWhite = 0xFFFFFFFF;
const std::vector<TColor32> kPalette = {kRed, kGreen, kBlue, kWhite};

GifFrameRecipe SolidFrame(int left, int top, int width, int height, uint8_t index, int delayCs = 10) {
    GifFrameRecipe f;
    f.left = left;
    f.top = top;
    f.width = width;
    f.height = height;
    f.indexes.assign(std::size_t(width * height), index);
    f.delayCs = delayCs;
    return f;
}

// A 4 x 4 GIF whose frame i fills the screen with palette colour i mod 3.
std::vector<uint8_t> TimedGif(const std::vector<int>& delaysCs, bool loopExtension = false, int loopCount = 0) {
    GifRecipe recipe{.width = 4, .height = 4, .globalPalette = kPalette};
    recipe.netscapeLoop = loopExtension;
    recipe.loopCount = loopCount;
    for (std::size_t i = 0; i < delaysCs.size(); ++i)
        recipe.frames.push_back(SolidFrame(0, 0, 4, 4, uint8_t(i % 3), delaysCs[i]));
    return testing::WriteGif(recipe);
}

struct Shown {
    int64_t timeMs;
    int frame;
    friend bool operator==(const Shown&, const Shown&) = default;
};

class GifAnimationTest : public ::testing::Test {
protected:
    explicit GifAnimationTest(TGifAnimationOptions options = {}) : animation(timer, options) {
        backdrop = TBitmap32::Create(8, 6).value();
        backdrop.Clear(kBackdrop);
        target = TBitmap32::Create(8, 6).value();
        target.Clear(0xFF000000);
        animation.SetStage({&backdrop, TRect{2, 1, 6, 5}, &target});
        animation.SetFrameShownHandler([this](int frame, const TRect& changed) {
            shown.push_back({clock.NowMs(), frame});
            lastChanged = changed;
        });
    }

    void Load(const std::vector<uint8_t>& bytes) { ASSERT_TRUE(animation.LoadGif(bytes).ok()); }

    TVirtualTimerClock clock;
    TVirtualTimer timer{clock};
    TGifAnimation animation;
    TBitmap32 backdrop;
    TBitmap32 target;
    std::vector<Shown> shown;
    TRect lastChanged{};
};

// --- timing --------------------------------------------------------------------------------

TEST_F(GifAnimationTest, FramesStayForTheirOwnDelayAndTheLastStaysForGood) {
    Load(TimedGif({10, 20, 30}));
    animation.AnimateGif();
    EXPECT_EQ(animation.State(), TGifState::Animating);
    clock.AdvanceBy(60'000);
    // Frame 0 is redrawn 1 ms after the transition, then each frame stays its own delay.
    EXPECT_EQ(shown, (std::vector<Shown>{{1, 0}, {101, 1}, {301, 2}}));
    EXPECT_EQ(animation.State(), TGifState::Ended);
    EXPECT_FALSE(timer.IsActive());
    ASSERT_NE(animation.Image(), nullptr);  // still held until the next StopGif
}

TEST_F(GifAnimationTest, ZeroDelayGetsTheMinimumInsteadOfFreezing) {
    EXPECT_EQ(EffectiveFrameDelayMs(0), kZeroDelayFrameMs);
    EXPECT_EQ(EffectiveFrameDelayMs(10), 10);
    Load(TimedGif({0, 0, 1}));
    animation.AnimateGif();
    clock.AdvanceBy(10'000);
    EXPECT_EQ(shown, (std::vector<Shown>{{1, 0}, {101, 1}, {201, 2}}));
}

TEST_F(GifAnimationTest, MarkedGifLoopsWithTheLastFrameForItsDelay) {
    Load(TimedGif({10, 20, 30}, true, 3));
    animation.AnimateGif();
    clock.AdvanceTo(1301);
    EXPECT_EQ(shown, (std::vector<Shown>{{1, 0}, {101, 1}, {301, 2}, {601, 0}, {701, 1}, {901, 2}, {1201, 0}, {1301, 1}}));
}

// --- looping -------------------------------------------------------------------------------

struct LoopRow {
    const char* name;
    bool extension;
    int loopCount;
    TGifLooping policy;
    int framesShown;  // -1: never ends
};

void PrintTo(const LoopRow& row, std::ostream* os) { *os << row.name; }

class GifLoopingTest : public ::testing::TestWithParam<LoopRow> {};

TEST_P(GifLoopingTest, PlaysAsOftenAsTheRuleSays) {
    const LoopRow& row = GetParam();
    TVirtualTimerClock clock;
    TVirtualTimer timer(clock);
    TGifAnimation animation(timer, {.looping = row.policy});
    TBitmap32 backdrop = TBitmap32::Create(4, 4).value();
    TBitmap32 target = TBitmap32::Create(4, 4).value();
    animation.SetStage({&backdrop, backdrop.BoundsRect(), &target});
    int count = 0;
    animation.SetFrameShownHandler([&](int, const TRect&) { ++count; });
    ASSERT_TRUE(animation.LoadGif(TimedGif({5, 5, 5}, row.extension, row.loopCount)).ok());
    animation.AnimateGif();
    clock.AdvanceBy(100 * 150 + 1);  // 100 plays of 150 ms
    if (row.framesShown < 0) {
        EXPECT_EQ(count, 301);
        EXPECT_EQ(animation.State(), TGifState::Animating);
    } else {
        EXPECT_EQ(count, row.framesShown);
        EXPECT_EQ(animation.State(), TGifState::Ended);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, GifLoopingTest,
                         ::testing::Values(LoopRow{"NoExtensionPlaysOnce", false, 0, TGifLooping::ForEverWhenMarked, 3},
                                           LoopRow{"MarkedLoopsForEverWhateverTheCount", true, 3,
                                                   TGifLooping::ForEverWhenMarked, -1},
                                           LoopRow{"RepeatCountThreePlaysFourTimes", true, 3, TGifLooping::RepeatCount, 12},
                                           LoopRow{"RepeatCountOnePlaysTwice", true, 1, TGifLooping::RepeatCount, 6},
                                           LoopRow{"RepeatCountZeroIsForEver", true, 0, TGifLooping::RepeatCount, -1},
                                           LoopRow{"RepeatCountWithoutExtensionPlaysOnce", false, 0,
                                                   TGifLooping::RepeatCount, 3}),
                         [](const auto& row) { return std::string(row.param.name); });

// --- stopping and what never animates ------------------------------------------------------

TEST_F(GifAnimationTest, StopGifStopsAndReleases) {
    Load(TimedGif({10, 10, 10}, true));
    animation.AnimateGif();
    clock.AdvanceTo(150);
    ASSERT_EQ(shown.size(), 2u);
    animation.StopGif();
    EXPECT_FALSE(timer.IsActive());
    EXPECT_EQ(animation.Image(), nullptr);
    EXPECT_EQ(animation.Animator(), nullptr);
    EXPECT_EQ(animation.State(), TGifState::Idle);
    const TBitmap32 before = target;
    clock.AdvanceBy(10'000);
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_TRUE(std::ranges::equal(target.Pixels(), before.Pixels()));
}

TEST_F(GifAnimationTest, AFrameHandlerMayStopTheAnimation) {
    Load(TimedGif({10, 10}, true));
    animation.SetFrameShownHandler([this](int frame, const TRect&) {
        shown.push_back({clock.NowMs(), frame});
        animation.StopGif();
    });
    animation.AnimateGif();
    clock.AdvanceBy(1000);
    EXPECT_EQ(shown, (std::vector<Shown>{{1, 0}}));
    EXPECT_EQ(animation.State(), TGifState::Idle);
}

TEST_F(GifAnimationTest, LoadingTheNextGifStopsTheOldOne) {
    Load(TimedGif({10, 10}, true));
    animation.AnimateGif();
    clock.AdvanceTo(50);
    Load(TimedGif({10}));  // the next item, not yet animated
    clock.AdvanceBy(10'000);
    EXPECT_EQ(shown, (std::vector<Shown>{{1, 0}}));
    EXPECT_EQ(animation.State(), TGifState::Loaded);
}

TEST_F(GifAnimationTest, SingleFrameDoesNotAnimate) {
    Load(TimedGif({10}, true));
    animation.AnimateGif();
    EXPECT_FALSE(timer.IsActive());
    clock.AdvanceBy(10'000);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(animation.State(), TGifState::Loaded);
    EXPECT_EQ(target.Pixel(0, 0), 0xFF000000u);
}

TEST_F(GifAnimationTest, BrokenGifGivesNoAnimation) {
    const std::vector<uint8_t> whole = TimedGif({10, 10, 10});
    const std::vector<std::vector<uint8_t>> broken = {
        {},
        {'G', 'I', 'F', '8', '9', 'a'},
        std::vector<uint8_t>(whole.begin(), whole.begin() + 20),  // cut inside the palette
        std::vector<uint8_t>(64, 0xFF),
    };
    for (const auto& bytes : broken) {
        EXPECT_FALSE(animation.LoadGif(bytes).ok()) << bytes.size() << " bytes";
        animation.AnimateGif();
        animation.GifTimerTimer();
        EXPECT_FALSE(timer.IsActive());
        EXPECT_EQ(animation.State(), TGifState::Idle);
    }
    EXPECT_FALSE(animation.LoadGif(std::filesystem::path("/nonexistent/SSIMG.gif")).ok());
    EXPECT_FALSE(animation.LoadGif(std::shared_ptr<const raster::GifImage>()).ok());
    // A file cut inside its frames: whatever the decoder salvages, nothing breaks.
    const std::vector<uint8_t> cut(whole.begin(), whole.end() - 12);
    (void)animation.LoadGif(cut);
    animation.AnimateGif();
    clock.AdvanceBy(10'000);
    EXPECT_TRUE(shown.size() <= 3u);
    EXPECT_TRUE(shown.empty() || std::ranges::all_of(shown, [](const Shown& s) { return s.frame < 3; }));
}

TEST_F(GifAnimationTest, LoadsFromTheItemFile) {
    testing::TempDir dir;
    const std::string file = dir.File("SSIMG.gif");
    testing::WriteFileBytes(file, TimedGif({10, 10}));
    ASSERT_TRUE(animation.LoadGif(std::filesystem::path(file)).ok());
    EXPECT_EQ(animation.Image()->frames.size(), 2u);
}

// --- frames on the display surface ---------------------------------------------------------

// The 8 x 6 target as rows of letters: '.' backdrop, R G B W, '?' anything else.
std::vector<std::string> Picture(const TBitmap32& b) {
    std::vector<std::string> rows;
    for (int y = 0; y < b.Height(); ++y) {
        std::string row;
        for (int x = 0; x < b.Width(); ++x) {
            const TColor32 p = b.Pixel(x, y);
            row += p == kBackdrop ? '.' : p == kRed ? 'R' : p == kGreen ? 'G' : p == kBlue ? 'B' : p == kWhite ? 'W' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST_F(GifAnimationTest, OpaqueFramesComposeIntoThePlacementOverTheBackdrop) {
    GifRecipe recipe{.width = 4, .height = 4, .globalPalette = kPalette};
    recipe.frames.push_back(SolidFrame(0, 0, 2, 4, 0));   // left half red; the rest uncovered
    recipe.frames.push_back(SolidFrame(1, 1, 2, 2, 1));   // a green square on top, kept
    recipe.frames.back().disposal = 2;                     // then cleared again
    recipe.frames.push_back(SolidFrame(3, 0, 1, 1, 2));   // a blue corner
    Load(testing::WriteGif(recipe));
    animation.AnimateGif();

    clock.AdvanceBy(1);
    EXPECT_EQ(Picture(target), (std::vector<std::string>{"........", "..RRWW..", "..RRWW..", "..RRWW..",
                                                         "..RRWW..", "........"}));
    EXPECT_EQ(lastChanged, target.BoundsRect());
    clock.AdvanceBy(100);
    EXPECT_EQ(Picture(target), (std::vector<std::string>{"........", "..RRWW..", "..RGGW..", "..RGGW..",
                                                         "..RRWW..", "........"}));
    clock.AdvanceBy(100);
    // Restore-to-background uncovers the square again: the window colour of a GIF without
    // transparency shows there.
    EXPECT_EQ(Picture(target), (std::vector<std::string>{"........", "..RRWB..", "..RWWW..", "..RWWW..",
                                                         "..RRWW..", "........"}));
}

TEST_F(GifAnimationTest, TransparentFramesShowTheBackdropOnlyWhereNothingCovers) {
    GifRecipe recipe{.width = 4, .height = 4, .globalPalette = kPalette};
    GifFrameRecipe first = SolidFrame(0, 0, 4, 4, 0);
    for (int y = 0; y < 4; ++y)
        first.indexes[std::size_t(y * 4 + 3)] = 2;  // right column: frame 0's key, uncovered
    first.transparentIndex = 2;
    recipe.frames.push_back(first);
    // Red is this frame's key: it draws only one green pixel, and the red left by frame 0
    // must stay red rather than turn into holes.
    GifFrameRecipe second = SolidFrame(0, 0, 4, 4, 0);
    second.indexes[0] = 1;
    second.transparentIndex = 0;
    recipe.frames.push_back(second);
    // No key of its own: its white pixel is a white pixel.
    recipe.frames.push_back(SolidFrame(1, 1, 1, 1, 3));
    Load(testing::WriteGif(recipe));
    animation.AnimateGif();

    clock.AdvanceBy(1);
    EXPECT_EQ(Picture(target), (std::vector<std::string>{"........", "..RRR...", "..RRR...", "..RRR...",
                                                         "..RRR...", "........"}));
    clock.AdvanceBy(100);
    EXPECT_EQ(Picture(target), (std::vector<std::string>{"........", "..GRR...", "..RRR...", "..RRR...",
                                                         "..RRR...", "........"}));
    clock.AdvanceBy(100);
    EXPECT_EQ(Picture(target), (std::vector<std::string>{"........", "..GRR...", "..RWR...", "..RRR...",
                                                         "..RRR...", "........"}));
}

TEST_F(GifAnimationTest, FramesAreScaledIntoThePlacementAndKeepTheItemsFilter) {
    GifRecipe recipe{.width = 2, .height = 1, .globalPalette = kPalette};
    GifFrameRecipe frame = SolidFrame(0, 0, 2, 1, 0);
    frame.indexes[1] = 2;  // red | blue
    recipe.frames = {frame, frame};
    Load(testing::WriteGif(recipe));
    animation.SetStage({&backdrop, TRect{0, 1, 8, 5}, &target, raster::kFilterMirror});
    animation.AnimateGif();
    clock.AdvanceBy(1);
    const std::vector<std::string> rows = Picture(target);
    EXPECT_EQ(rows[0], "........");
    EXPECT_EQ(rows[5], "........");
    for (int y = 1; y < 5; ++y) {
        // Mirrored: blue on the left, red on the right, blended only around the middle.
        EXPECT_EQ(rows[std::size_t(y)].substr(0, 2), "BB") << y;
        EXPECT_EQ(rows[std::size_t(y)].substr(6, 2), "RR") << y;
    }
}

// --- the virtual timer ---------------------------------------------------------------------

TEST(VirtualTimerTest, FiresPeriodicallyInArmingOrderAndNeverAtIntervalZero) {
    TVirtualTimerClock clock;
    TVirtualTimer a(clock), b(clock), never(clock);
    std::vector<std::pair<int64_t, char>> log;
    a.SetOnTimeout([&] { log.push_back({clock.NowMs(), 'a'}); });
    b.SetOnTimeout([&] {
        log.push_back({clock.NowMs(), 'b'});
        b.Stop();
        b.Start(5);  // re-armed from inside its handler
    });
    never.SetOnTimeout([&] { log.push_back({clock.NowMs(), 'n'}); });
    b.Start(10);
    a.Start(10);
    never.Start(0);
    EXPECT_FALSE(never.IsActive());
    EXPECT_EQ(clock.NextDueMs(), 10);
    EXPECT_EQ(clock.AdvanceBy(20), 5);
    EXPECT_EQ(log, (std::vector<std::pair<int64_t, char>>{{10, 'b'}, {10, 'a'}, {15, 'b'}, {20, 'a'}, {20, 'b'}}));
    EXPECT_EQ(clock.NowMs(), 20);
    a.Stop();
    b.Stop();
    EXPECT_FALSE(clock.RunNext());
}

TEST(QtTimerTest, FiresOnTheEventLoopAndNeverAtIntervalZero) {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "slideshow_gif_test";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }
    TQtTimer timer, never;
    int fired = 0, neverFired = 0;
    QEventLoop loop;
    timer.SetOnTimeout([&] {
        if (++fired == 2) {
            timer.Stop();
            loop.quit();
        }
    });
    never.SetOnTimeout([&] { ++neverFired; });
    never.Start(0);
    EXPECT_FALSE(never.IsActive());
    timer.Start(5);
    EXPECT_TRUE(timer.IsActive());
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);  // a safety net, not the expectation
    loop.exec();
    EXPECT_EQ(fired, 2);
    EXPECT_EQ(neverFired, 0);
    EXPECT_FALSE(timer.IsActive());
}

} // namespace
} // namespace vorlandite::slideshow
