// The moving rectangle objects' step rules and the passes over them.

#include "TransitionRig.h"

#include "transitions/ObjectPasses.h"
#include "transitions/TFold.h"
#include "transitions/TSlide.h"
#include "transitions/TZoom.h"

#include <gtest/gtest.h>

#include <array>
#include <set>

namespace vorlandite::transitions {
namespace {

using namespace testing;
using raster::Rect;

TEST(TSlide, FirstStepShowsTheLeadingColumnsAndTheLastStepTheWholeWindow) {
    const TBitmap32 picture = NewPicture(8, 8);
    TSlide slide;
    slide.Init(-800, 0, 64, 800.0 / 64, 0, 0, 0, 800, 600, &picture);
    EXPECT_TRUE(slide.Step());
    // x = -787.5: the destination ends at Round(12.5) = 12, ties going to the even neighbour.
    EXPECT_EQ(slide.DestinationRect(), (Rect{0, 0, 12, 600}));
    EXPECT_EQ(slide.SourceRect(), (Rect{788, 0, 800, 600}));
    for (int i = 2; i < 64; ++i)
        EXPECT_TRUE(slide.Step());
    EXPECT_FALSE(slide.Step());
    EXPECT_EQ(slide.DestinationRect(), (Rect{0, 0, 800, 600}));
    EXPECT_EQ(slide.SourceRect(), (Rect{0, 0, 800, 600}));
}

TEST(TSlide, FloatingErrorIsAbsorbedByRounding) {
    struct {
        int Size;
        int Steps;
    } const cases[] = {{1000, 3}, {100, 7}, {599, 13}, {1920, 384}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Size);
        TSlide fromLeft, fromBelow;
        fromLeft.Init(-c.Size, 0, c.Steps, double(c.Size) / c.Steps, 0, 0, 0, c.Size, 10, nullptr);
        fromBelow.Init(0, c.Size, c.Steps, 0, -double(c.Size) / c.Steps, 0, 0, 10, c.Size, nullptr);
        for (int i = 0; i < c.Steps; ++i) {
            fromLeft.Step();
            fromBelow.Step();
        }
        EXPECT_EQ(fromLeft.DestinationRect(), (Rect{0, 0, c.Size, 10}));
        EXPECT_EQ(fromLeft.SourceRect(), (Rect{0, 0, c.Size, 10}));
        EXPECT_EQ(fromBelow.DestinationRect(), (Rect{0, 0, 10, c.Size}));
    }
}

TEST(TSlide, ShiftsWithinAWindowAwayFromTheOrigin) {
    TSlide left, right;
    left.Init(-30, 0, 2, 0, 0, 100, 50, 200, 80, nullptr);
    right.Init(30, 5, 2, 0, 0, 100, 50, 200, 80, nullptr);
    left.Step();
    right.Step();
    EXPECT_EQ(left.DestinationRect(), (Rect{100, 50, 170, 80}));
    EXPECT_EQ(left.SourceRect(), (Rect{130, 50, 200, 80}));
    EXPECT_EQ(right.DestinationRect(), (Rect{130, 55, 200, 80}));
    EXPECT_EQ(right.SourceRect(), (Rect{100, 50, 170, 75}));
}

TEST(TSlide, APiecePushedOutOfItsWindowShowsNothing) {
    TSlide slide;
    slide.Init(-200, 0, 3, 50, 0, 0, 0, 100, 10, nullptr);
    EXPECT_TRUE(slide.Step());  // x = -150: crossed ends
    EXPECT_EQ(slide.DestinationRect(), Rect{});
    EXPECT_EQ(slide.SourceRect(), Rect{});
    EXPECT_TRUE(slide.Step());  // x = -100: an empty piece at the edge is still visible
    EXPECT_EQ(slide.DestinationRect(), (Rect{0, 0, 0, 10}));
    EXPECT_FALSE(slide.Step());
    EXPECT_EQ(slide.DestinationRect(), (Rect{0, 0, 50, 10}));
}

TEST(TSlide, ASpentSlideKeepsItsRectangles) {
    TSlide slide;
    slide.Init(-10, 0, 1, 5, 0, 0, 0, 10, 10, nullptr);
    EXPECT_FALSE(slide.Step());
    const Rect last = slide.DestinationRect();
    EXPECT_FALSE(slide.Step());
    EXPECT_EQ(slide.DestinationRect(), last);
    EXPECT_EQ(slide.X(), -5);
}

TEST(TFold, NegativeWidthExtendsLeft) {
    const TBitmap32 surface = NewPicture(200, 50);
    TFold band;
    band.Init(100, 0, -10, 50, 2, 0, 0, &surface);
    band.Step();
    EXPECT_EQ(band.Rect(), (Rect{90, 0, 100, 50}));
    EXPECT_EQ(band.CopyRect(), band.Rect());
}

TEST(TFold, FirstStepShowsTheStartThenMoves) {
    const TBitmap32 surface = NewPicture(200, 50);
    TFold band;
    band.Init(0, 0, 10, 50, 3, 12.5, 0, &surface);
    band.Step();
    EXPECT_EQ(band.Rect(), (Rect{0, 0, 10, 50}));
    band.Step();  // 12.5 rounds to 12
    EXPECT_EQ(band.Rect(), (Rect{12, 0, 22, 50}));
    EXPECT_EQ(band.X(), 25);
}

TEST(TFold, StartingAtTheFarEdgeGivesAnEmptyRectangleWithStepsLeft) {
    const TBitmap32 surface = NewPicture(200, 50);
    TFold band;
    band.Init(200, 0, 10, 50, 4, -50, 0, &surface);
    EXPECT_TRUE(band.Step());
    EXPECT_TRUE(band.Rect().IsEmpty());
    EXPECT_EQ(band.Rect(), (Rect{200, 0, 200, 50}));
    band.Step();
    EXPECT_EQ(band.Rect(), (Rect{150, 0, 160, 50}));
}

TEST(TFold, ABandThatLeftThePictureShowsNothing) {
    const TBitmap32 surface = NewPicture(200, 50);
    TFold band;
    band.Init(195, -20, 10, 60, 5, 20, 0, &surface);
    band.Step();
    EXPECT_EQ(band.Rect(), (Rect{195, 0, 200, 40}));  // clipped at the top and the right
    band.Step();
    EXPECT_EQ(band.Rect(), Rect{});
    band.Step();
    EXPECT_EQ(band.Rect(), Rect{});
    EXPECT_EQ(band.CopyRect(), Rect{});
}

// Alpha of the fade surface's pixel.
int AlphaAt(const TFoldFade& soft, int x, int y) { return int(soft.FadeSurface().Pixel(x, y) >> 24); }

TEST(TFold, ABandWithBothEndsOutsideCountsAsGone) {
    const TBitmap32 surface = NewPicture(200, 50);
    TFold band;
    band.Init(-10, 10, 300, 10, 1, 0, 0, &surface);
    band.Step();
    EXPECT_EQ(band.Rect(), Rect{});
}

TEST(TFoldFade, GradientsOfTheFourKinds) {
    const TBitmap32 surface = NewPicture(20, 20);
    std::array<TFoldFade, 4> soft;
    for (int kind = 1; kind <= 4; ++kind) {
        soft[std::size_t(kind - 1)].Init(2, 3, 5, 5, 2, 1, 0, &surface, kind);
        soft[std::size_t(kind - 1)].Step();
    }
    const int ramp[5] = {255, 192, 128, 64, 0};  // Ceil((4 - i) x 255 / 4)
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(AlphaAt(soft[0], i, 2), ramp[i]);
        EXPECT_EQ(AlphaAt(soft[1], i, 2), ramp[4 - i]);
        EXPECT_EQ(AlphaAt(soft[2], 2, i), ramp[i]);
        EXPECT_EQ(AlphaAt(soft[3], 2, i), ramp[4 - i]);
    }
    // The colours are the new picture's under the band.
    EXPECT_EQ(soft[0].FadeSurface().Pixel(1, 1) & 0xFFFFFF, surface.Pixel(3, 4) & 0xFFFFFF);
}

TEST(TFoldFade, AOnePixelGradientIsOpaque) {
    const TBitmap32 surface = NewPicture(20, 20);
    TFoldFade column, row;
    column.Init(0, 0, 1, 6, 1, 0, 0, &surface, kFadeOpaqueLeft);
    row.Init(0, 0, 6, 1, 1, 0, 0, &surface, kFadeOpaqueBottom);
    column.Step();
    row.Step();
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(AlphaAt(column, 0, i), 255);
        EXPECT_EQ(AlphaAt(row, i, 0), 255);
    }
}

TEST(TFoldFade, OtherKindsGiveRandomAlpha) {
    const TBitmap32 surface = NewPicture(40, 40);
    SeededRandom random(5);
    TFoldFade soft;
    soft.Init(0, 0, 30, 30, 1, 0, 0, &surface, 9, &random);
    soft.Step();
    std::set<int> seen;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            seen.insert(AlphaAt(soft, x, y));
    EXPECT_GT(seen.size(), 200u);
}

TEST(TFoldFade, AClippedBandKeepsItsGradientAtTheRectangle) {
    const TBitmap32 surface = NewPicture(20, 20);
    TFoldFade soft;
    soft.Init(-3, 0, 10, 20, 1, 0, 0, &surface, kFadeOpaqueLeft);
    soft.Step();
    EXPECT_EQ(soft.Rect(), (Rect{0, 0, 7, 20}));
    // Column 0 of the fade surface holds the picture's column 0 with the gradient's first alpha.
    EXPECT_EQ(soft.FadeSurface().Pixel(0, 5), (surface.Pixel(0, 5) & 0xFFFFFF) | 0xFF000000);
}

TEST(TZoom, ZoomInGrowsFromTheCentre) {
    const TBitmap32 surface = NewPicture(8, 8);
    TZoom zoom;
    zoom.Init(400, 300, 0, 0, 4, -100, -75, 100, 75, 0, 0, 800, 600, &surface);
    const Rect expected[] = {{300, 225, 500, 375}, {200, 150, 600, 450}, {100, 75, 700, 525}, {0, 0, 800, 600}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(zoom.Step(), i < 3);
        EXPECT_EQ(zoom.DestinationRect(), expected[i]);
        EXPECT_EQ(zoom.SourceRect(), (Rect{0, 0, 800, 600}));
    }
    EXPECT_FALSE(zoom.Step());
    EXPECT_EQ(zoom.DestinationRect(), expected[3]);
}

// A thread object that is never started: the passes run on the test's thread and present
// straight onto the recorder's canvas.
class PassTest : public ::testing::Test {
protected:
    static constexpr int kW = 40;
    static constexpr int kH = 20;
    TransitionRig rig;
    RecordingPresenter presenter{OldPicture(kW, kH)};
    TTransThread thread{rig.engine, presenter, NewPicture(kW, kH), 5, 9};
};

TEST_F(PassTest, SlidePassStepsEveryObjectAndSkipsHiddenSlides) {
    std::array<TSlide, 3> slides;
    slides[0].Init(-40, 0, 1, 40, 0, 0, 0, 40, 10, &thread.New());   // home after one step
    slides[1].Init(-200, 0, 3, 40, 0, 0, 10, 40, 20, &thread.New());  // outside its window for 3 steps
    slides[2].Init(0, 0, 2, 0, 0, 0, 0, 10, 10, &thread.Old());
    EXPECT_TRUE(RunSlidePass(thread, slides));
    EXPECT_EQ(presenter.PresentationCount(), 2);  // the hidden slide is skipped
    EXPECT_TRUE(RunSlidePass(thread, slides));
    EXPECT_FALSE(RunSlidePass(thread, slides));
    for (const TSlide& s : slides)
        EXPECT_EQ(s.StepsLeft(), 0);
    // Spent slides are presented again by later passes.
    const int before = presenter.PresentationCount();
    EXPECT_FALSE(RunSlidePass(thread, slides));
    EXPECT_EQ(presenter.PresentationCount(), before + 2);
    // The OLD slide was presented from OLD, after the NEW one: top-left stays old.
    EXPECT_EQ(presenter.Canvas().Pixel(3, 3), thread.Old().Pixel(3, 3));
    EXPECT_EQ(presenter.Canvas().Pixel(30, 3), thread.New().Pixel(30, 3));
}

TEST_F(PassTest, BandPassPresentsEmptyRectanglesToo) {
    std::array<TFold, 2> bands;
    bands[0].Init(0, 0, 10, kH, 2, 10, 0, &thread.New());
    bands[1].Init(kW + 10, 0, 10, kH, 3, 0, 0, &thread.New());  // never visible
    EXPECT_TRUE(RunBandPass(thread, bands));
    EXPECT_EQ(presenter.PresentationCount(), 2);
    EXPECT_EQ(presenter.Canvas().Pixel(5, 5), thread.New().Pixel(5, 5));
    EXPECT_EQ(presenter.Canvas().Pixel(15, 5), thread.Old().Pixel(15, 5));
    EXPECT_TRUE(RunBandPass(thread, bands));
    EXPECT_FALSE(RunBandPass(thread, bands));
    EXPECT_EQ(presenter.Canvas().Pixel(15, 5), thread.New().Pixel(15, 5));
}

TEST_F(PassTest, SlidePassSkipsBandsOutsideThePicture) {
    std::array<TFold, 1> bands;
    bands[0].Init(kW + 10, 0, 10, kH, 1, 0, 0, &thread.New());
    EXPECT_FALSE(RunSlidePass(thread, {}, bands));
    EXPECT_EQ(presenter.PresentationCount(), 0);
}

TEST_F(PassTest, ZoomPassStretchesIntoWorkAndPresentsTheDestination) {
    std::array<TZoom, 1> zooms;
    zooms[0].Init(0, 0, 0, 0, 2, 0, 0, kW / 2.0, kH / 2.0, 0, 0, kW, kH, &thread.New());
    EXPECT_TRUE(RunZoomPass(thread, zooms));
    EXPECT_EQ(zooms[0].DestinationRect(), (Rect{0, 0, kW / 2, kH / 2}));
    EXPECT_EQ(presenter.Canvas().Pixel(kW / 2 + 1, 1), thread.Old().Pixel(kW / 2 + 1, 1));
    EXPECT_NE(presenter.Canvas().Pixel(1, 1), thread.Old().Pixel(1, 1));
    EXPECT_FALSE(RunZoomPass(thread, zooms));
    EXPECT_TRUE(SamePixels(presenter.Canvas(), thread.New()));
}

TEST_F(PassTest, FadeBandPassBlendsAndCountsOnlyThePlainBands) {
    std::array<TFold, 1> bands;
    std::array<TFoldFade, 1> soft;
    bands[0].Init(0, 0, 10, kH, 1, 10, 0, &thread.New());
    soft[0].Init(10, 0, 11, kH, 5, 10, 0, &thread.New(), kFadeOpaqueLeft);
    EXPECT_FALSE(RunFadeBandPass(thread, bands, soft));  // the soft band's steps do not count
    EXPECT_EQ(presenter.PresentationCount(), 2);
    const TBitmap32& canvas = presenter.Canvas();
    // Left end of the soft band fully new, right end fully old, the middle half way.
    EXPECT_EQ(canvas.Pixel(10, 4), thread.New().Pixel(10, 4));
    EXPECT_EQ(canvas.Pixel(20, 4), thread.Old().Pixel(20, 4));
    const int middleRed = int((canvas.Pixel(15, 4) >> 16) & 0xFF);
    EXPECT_NEAR(middleRed, 128, 1);
    EXPECT_EQ(canvas.Pixel(21, 4), thread.Old().Pixel(21, 4));
}

} // namespace
} // namespace vorlandite::transitions
