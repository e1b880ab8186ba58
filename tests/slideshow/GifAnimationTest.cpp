// The GIF animation on a virtual clock: frame timing and looping, stopping, and the frames as
// they land on the display surface. The GIFs are written by the decoder tests' writer.

#include "slideshow/GifAnimation.h"

#include "raster/PictureFitting.h"
#include "raster/decoders/GifDecoder.h"
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
using raster::Rect;
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
    explicit GifAnimationTest(GifAnimationOptions options = {}) : animation(timer, options) {
        backdrop = TBitmap32::Create(8, 6).value();
        backdrop.Clear(kBackdrop);
        target = TBitmap32::Create(8, 6).value();
        target.Clear(0xFF000000);
        animation.SetStage({&backdrop, Rect{2, 1, 6, 5}, &target});
        animation.SetFrameShownHandler([this](int frame, const Rect& changed) {
            shown.push_back({clock.NowMs(), frame});
            lastChanged = changed;
        });
    }

    void Load(const std::vector<uint8_t>& bytes) { ASSERT_TRUE(animation.LoadGif(bytes).ok()); }

    VirtualTimerClock clock;
    VirtualTimer timer{clock};
    GifAnimation animation;
    TBitmap32 backdrop;
    TBitmap32 target;
    std::vector<Shown> shown;
    Rect lastChanged{};
};

// --- timing --------------------------------------------------------------------------------

TEST_F(GifAnimationTest, FramesStayForTheirOwnDelayAndTheLastStaysForGood) {
    Load(TimedGif({10, 20, 30}));
    animation.AnimateGif();
    EXPECT_EQ(animation.State(), GifState::Animating);
    clock.AdvanceBy(60'000);
    // Frame 0 is redrawn 1 ms after the transition, then each frame stays its own delay.
    EXPECT_EQ(shown, (std::vector<Shown>{{1, 0}, {101, 1}, {301, 2}}));
    EXPECT_EQ(animation.State(), GifState::Ended);
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
    GifLooping policy;
    int framesShown;  // -1: never ends
};

void PrintTo(const LoopRow& row, std::ostream* os) { *os << row.name; }

class GifLoopingTest : public ::testing::TestWithParam<LoopRow> {};

TEST_P(GifLoopingTest, PlaysAsOftenAsTheRuleSays) {
    const LoopRow& row = GetParam();
    VirtualTimerClock clock;
    VirtualTimer timer(clock);
    GifAnimation animation(timer, {.looping = row.policy});
    TBitmap32 backdrop = TBitmap32::Create(4, 4).value();
    TBitmap32 target = TBitmap32::Create(4, 4).value();
    animation.SetStage({&backdrop, backdrop.BoundsRect(), &target});
    int count = 0;
    animation.SetFrameShownHandler([&](int, const Rect&) { ++count; });
    ASSERT_TRUE(animation.LoadGif(TimedGif({5, 5, 5}, row.extension, row.loopCount)).ok());
    animation.AnimateGif();
    clock.AdvanceBy(100 * 150 + 1);  // 100 plays of 150 ms
    if (row.framesShown < 0) {
        EXPECT_EQ(count, 301);
        EXPECT_EQ(animation.State(), GifState::Animating);
    } else {
        EXPECT_EQ(count, row.framesShown);
        EXPECT_EQ(animation.State(), GifState::Ended);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, GifLoopingTest,
                         ::testing::Values(LoopRow{"NoExtensionPlaysOnce", false, 0, GifLooping::ForEverWhenMarked, 3},
                                           LoopRow{"MarkedLoopsForEverWhateverTheCount", true, 3,
                                                   GifLooping::ForEverWhenMarked, -1},
                                           LoopRow{"RepeatCountThreePlaysFourTimes", true, 3, GifLooping::RepeatCount, 12},
                                           LoopRow{"RepeatCountOnePlaysTwice", true, 1, GifLooping::RepeatCount, 6},
                                           LoopRow{"RepeatCountZeroIsForEver", true, 0, GifLooping::RepeatCount, -1},
                                           LoopRow{"RepeatCountWithoutExtensionPlaysOnce", false, 0,
                                                   GifLooping::RepeatCount, 3}),
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
    EXPECT_EQ(animation.State(), GifState::Idle);
    const TBitmap32 before = target;
    clock.AdvanceBy(10'000);
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_TRUE(std::ranges::equal(target.Pixels(), before.Pixels()));
}

TEST_F(GifAnimationTest, AFrameHandlerMayStopTheAnimation) {
    Load(TimedGif({10, 10}, true));
    animation.SetFrameShownHandler([this](int frame, const Rect&) {
        shown.push_back({clock.NowMs(), frame});
        animation.StopGif();
    });
    animation.AnimateGif();
    clock.AdvanceBy(1000);
    EXPECT_EQ(shown, (std::vector<Shown>{{1, 0}}));
    EXPECT_EQ(animation.State(), GifState::Idle);
}

TEST_F(GifAnimationTest, LoadingTheNextGifStopsTheOldOne) {
    Load(TimedGif({10, 10}, true));
    animation.AnimateGif();
    clock.AdvanceTo(50);
    Load(TimedGif({10}));  // the next item, not yet animated
    clock.AdvanceBy(10'000);
    EXPECT_EQ(shown, (std::vector<Shown>{{1, 0}}));
    EXPECT_EQ(animation.State(), GifState::Loaded);
}

TEST_F(GifAnimationTest, SingleFrameDoesNotAnimate) {
    Load(TimedGif({10}, true));
    animation.AnimateGif();
    EXPECT_FALSE(timer.IsActive());
    clock.AdvanceBy(10'000);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(animation.State(), GifState::Loaded);
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
        EXPECT_EQ(animation.State(), GifState::Idle);
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
    animation.SetStage({&backdrop, Rect{0, 1, 8, 5}, &target, raster::kFilterMirror});
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

// --- drawing only what a frame changed ------------------------------------------------------

// The frame as a whole redraw makes it: the composition from frame 0, the picture filled,
// filtered and scaled onto a fresh copy of the backdrop.
TBitmap32 WholeRedraw(const std::shared_ptr<const raster::GifImage>& image, int frame, const TBitmap32& backdrop,
                      const Rect& placement, uint32_t filter, const TBitmap32* mask) {
    raster::GifAnimator animator(image);
    EXPECT_TRUE(animator.ComposeFrame(frame).ok());
    TBitmap32 picture = animator.Canvas();
    if (image->IsTransparent()) {
        for (TColor32& p : picture.Pixels())
            if ((p >> 24) == 0)
                p = 0x00302010;  // the background colour 0x102030 as BGR
    } else {
        picture = animator.OpaqueFrame(raster::kDefaultWindowColor);
    }
    raster::ApplyImageFilter(picture, filter);
    TBitmap32 board = backdrop;
    raster::StretchPictureOnto(picture, board, placement, mask, !image->IsTransparent());
    return board;
}

// Indexes that change from pixel to pixel, so that scaling blends neighbours.
GifFrameRecipe Patterned(int left, int top, int width, int height, int seed, int disposal, int key = -1) {
    GifFrameRecipe f = SolidFrame(left, top, width, height, 0);
    for (std::size_t i = 0; i < f.indexes.size(); ++i)
        f.indexes[i] = uint8_t((i * 7 + std::size_t(seed) * 3 + i / std::size_t(width)) % 4);
    f.disposal = disposal;
    f.transparentIndex = key;
    return f;
}

struct ChangeRow {
    const char* name;
    GifRecipe gif;
};

std::vector<ChangeRow> ChangeRows() {
    GifRecipe opaque{.width = 37, .height = 23, .globalPalette = kPalette};
    opaque.frames = {Patterned(0, 0, 20, 23, 0, 1), Patterned(5, 4, 6, 5, 1, 2), Patterned(30, 15, 12, 12, 2, 3),
                     Patterned(1, 1, 2, 2, 3, 0), Patterned(36, 0, 1, 1, 4, 2)};
    GifRecipe keyed = opaque;
    keyed.frames[1].transparentIndex = 2;
    keyed.frames[3].transparentIndex = 0;
    // A large logical screen with small frames scattered over it, nothing covering the rest.
    GifRecipe sparse{.width = 300, .height = 200, .globalPalette = kPalette};
    sparse.frames = {Patterned(10, 10, 3, 3, 0, 1), Patterned(150, 100, 4, 2, 1, 2), Patterned(297, 198, 3, 2, 2, 3),
                     Patterned(0, 190, 5, 10, 3, 1, 3)};
    for (GifRecipe* gif : {&opaque, &keyed, &sparse})
        gif->netscapeLoop = true;
    return {{"Opaque", opaque}, {"Keyed", keyed}, {"LargeScreenSmallFrames", sparse}};
}

// Every frame, over two loops, on stages that enlarge, shrink, copy one to one and stick out of
// the target, with the item's filters and a mask: the target is what a whole redraw gives, and
// every pixel that changed lies in the rectangle reported.
TEST(GifAnimationChanges, DrawingOnlyTheChangeGivesTheWholeRedraw) {
    TBitmap32 backdrop = TBitmap32::Create(64, 48).value();
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            backdrop.SetPixel(x, y, 0xFF000000u | uint32_t(x * 4) << 16 | uint32_t(y * 5) << 8 | 0x40);
    TBitmap32 mask = TBitmap32::Create(7, 5).value();
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            mask.SetPixel(x, y, 0xFF000000u | uint32_t(x * 40 + y * 10));
    const TBitmap32 emptyMask;
    for (const ChangeRow& row : ChangeRows()) {
        auto image = std::make_shared<const raster::GifImage>(raster::DecodeGif(testing::WriteGif(row.gif)).value());
        const std::vector<Rect> placements = {{5, 3, 59, 45}, {10, 10, 31, 22}, {0, 0, image->width, image->height},
                                              {-7, -5, 50, 40}, {20, 30, 100, 90}};
        for (const Rect& placement : placements) {
            for (uint32_t filter : {0u, uint32_t(raster::kFilterMirror),
                                    uint32_t(raster::kFilterFlip | raster::kFilterGrey), 7u}) {
                for (const TBitmap32* itemMask : std::vector<const TBitmap32*>{nullptr, &mask, &emptyMask}) {
                    SCOPED_TRACE(::testing::Message() << row.name << " placement " << placement.left << ","
                                                      << placement.top << " filter " << filter << " mask "
                                                      << (itemMask ? itemMask->Width() : -1));
                    VirtualTimerClock clock;
                    VirtualTimer timer(clock);
                    GifAnimation animation(timer, {.backgroundColour = 0x102030});
                    TBitmap32 target = TBitmap32::Create(64, 48).value();
                    animation.SetStage({&backdrop, placement, &target, filter, itemMask});
                    std::vector<std::pair<int, Rect>> frames;
                    animation.SetFrameShownHandler(
                        [&](int frame, const Rect& changed) { frames.push_back({frame, changed}); });
                    ASSERT_TRUE(animation.LoadGif(image).ok());
                    animation.AnimateGif();
                    TBitmap32 before = target;
                    const int count = int(image->frames.size());
                    for (int step = 0; step < 2 * count + 1; ++step) {
                        animation.GifTimerTimer();
                        ASSERT_EQ(frames.size(), std::size_t(step + 1));
                        const auto& [frame, changed] = frames.back();
                        ASSERT_EQ(frame, step % count);
                        const TBitmap32 expected = WholeRedraw(image, frame, backdrop, placement, filter, itemMask);
                        for (int y = 0; y < 48; ++y)
                            for (int x = 0; x < 64; ++x) {
                                ASSERT_EQ(target.Pixel(x, y), expected.Pixel(x, y))
                                    << "step " << step << " at " << x << ", " << y;
                                if (target.Pixel(x, y) != before.Pixel(x, y)) {
                                    ASSERT_TRUE(changed.Contains(x, y)) << "step " << step << " at " << x << ", " << y;
                                }
                            }
                        before = target;
                    }
                }
            }
        }
    }
}

// A frame costs what its rectangle costs: on a large screen shown in a small placement, a frame
// of a few pixels redraws a few pixels of the target, and a loop does not redraw the rest.
TEST(GifAnimationChanges, ASmallFrameRedrawsASmallPart) {
    GifRecipe gif{.width = 2000, .height = 2000, .globalPalette = kPalette};
    gif.netscapeLoop = true;
    gif.frames = {SolidFrame(0, 0, 16, 16, 0), SolidFrame(1000, 1000, 16, 16, 1), SolidFrame(1984, 1984, 16, 16, 2)};
    VirtualTimerClock clock;
    VirtualTimer timer(clock);
    GifAnimation animation(timer);
    TBitmap32 backdrop = TBitmap32::Create(640, 480).value();
    TBitmap32 target = TBitmap32::Create(640, 480).value();
    animation.SetStage({&backdrop, Rect{80, 0, 560, 480}, &target});
    std::vector<Rect> changes;
    animation.SetFrameShownHandler([&](int, const Rect& changed) { changes.push_back(changed); });
    ASSERT_TRUE(animation.LoadGif(testing::WriteGif(gif)).ok());
    animation.AnimateGif();
    for (int i = 0; i < 7; ++i)
        animation.GifTimerTimer();
    ASSERT_EQ(changes.size(), 7u);
    EXPECT_EQ(changes[0], target.BoundsRect());  // the first frame is drawn whole
    for (std::size_t i = 1; i < changes.size(); ++i) {
        // 16 pixels of 2000 on 480: four or five target pixels, one or two more each side for
        // the filter; the loop's start clears the frames' rectangles only.
        EXPECT_LE(std::max(changes[i].Width(), changes[i].Height()), i % 3 == 0 ? 480 : 12) << i;
        EXPECT_FALSE(changes[i].IsEmpty()) << i;
    }
}

// --- the virtual timer ---------------------------------------------------------------------

TEST(VirtualTimerTest, FiresPeriodicallyInArmingOrderAndNeverAtIntervalZero) {
    VirtualTimerClock clock;
    VirtualTimer a(clock), b(clock), never(clock);
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
    QtTimer timer, never;
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
