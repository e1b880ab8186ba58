// Flash items in the headless show: a movie written by the test (a few frames at 10 frames per
// second, a stop on the last) plays on a virtual control that knows its timeline.

#include "slideshow/headless/HeadlessShow.h"

#include "../OverlayTestSupport.h"
#include "../ShowItems.h"
#include "HeadlessRun.h"
#include "formats/swf/SwfWriter.h"
#include "raster/decoders/PictureWriters.h"
#include "slideshow/headless/VirtualFlashControl.h"

#include <gtest/gtest.h>

namespace vorlandite::slideshow {
namespace {

namespace support = vorlandite::testing;
using support::SolidPictureItem;
using Type = HeadlessEvent::Type;

// Four frames at 10 frames per second, 20 x 10 pixels, stopping on its last frame (at 300 ms).
payload::DraftItem<payload::TKelImageInfo> Movie(int duration, bool compressed = false) {
    swf::SwfRecipe recipe;
    recipe.xmax = 400;
    recipe.ymax = 200;
    recipe.compressed = compressed;
    recipe.frames.resize(4);
    recipe.frames.back().stop = true;
    payload::DraftItem<payload::TKelImageInfo> item;
    item.record.Ext = ".SWF";
    item.record.Stretch = 2;  // unscaled, centred
    item.record.Duration = duration;
    item.content = payload::Content::FromBytes(swf::WriteSwf(recipe));
    item.compressed = true;
    return item;
}

// A 64 x 48 show; without `flash` it has no Flash runtime.
struct FlashRun : support::HeadlessRun {
    explicit FlashRun(const payload::PayloadDraft& draft, bool flash = true) : HeadlessRun(draft, Options(flash)) {}
    static HeadlessShowOptions Options(bool flash) {
        HeadlessShowOptions options{64, 48, 1, 1};
        options.flash = flash;
        return options;
    }
};

payload::PayloadDraft Draft(std::vector<payload::DraftItem<payload::TKelImageInfo>> items) {
    payload::PayloadDraft draft;
    draft.header.Seconds = 5;
    draft.header.GradientStyle = 1;
    draft.images = std::move(items);
    return draft;
}

TEST(HeadlessFlashTest, MovieStopsOnItsLastFrameAndTheShowMovesOn) {
    for (bool compressed : {false, true}) {
        FlashRun run(Draft({SolidPictureItem(0xFFFF0000u), Movie(-1, compressed)}));
        run.show->RunUntil(6000);
        const auto items = run.Of(Type::Item);
        ASSERT_GE(items.size(), 3u) << compressed;
        EXPECT_EQ(items[1]->item.kind, payload::ItemKind::Flash);
        EXPECT_EQ(items[1]->timeMs, 5000);
        // The item's rect is its display panel: 20 x 10 centred, one pixel larger.
        EXPECT_EQ(items[1]->item.rect, (raster::Rect{22, 19, 43, 30}));
        const auto ends = run.Of(Type::FlashEnd);
        ASSERT_EQ(ends.size(), 1u);
        EXPECT_EQ(ends[0]->item.index, 1);
        EXPECT_EQ(ends[0]->timeMs, 5300);  // frame 3 at 3 / 10 s
        EXPECT_GT(items[2]->timeMs, 5300);
        EXPECT_LE(items[2]->timeMs, 5300 + kFlashPollMs + 1);
        EXPECT_EQ(items[2]->item.index, 0);
    }
}

TEST(HeadlessFlashTest, MovieWhoseEndIsNotWatchedStillReportsItsEnd) {
    FlashRun run(Draft({SolidPictureItem(0xFFFF0000u), Movie(-2)}));
    run.show->RunUntil(60000);
    EXPECT_EQ(run.Of(Type::FlashEnd).size(), 1u);
    EXPECT_EQ(run.Of(Type::Item).size(), 2u) << "the movie holds the show for its day";
}

TEST(HeadlessFlashTest, SingleMovieEndsAgainAtEveryRestart) {
    FlashRun run(Draft({Movie(-1)}));
    run.show->RunUntil(2000);
    const auto ends = run.Of(Type::FlashEnd);
    ASSERT_GE(ends.size(), 4u);
    EXPECT_EQ(ends[0]->timeMs, 300);
    for (std::size_t i = 1; i < ends.size(); ++i) {
        EXPECT_GT(ends[i]->timeMs - ends[i - 1]->timeMs, 300);
        EXPECT_LE(ends[i]->timeMs - ends[i - 1]->timeMs, 300 + kFlashPollMs + 1);
    }
}

} // namespace
} // namespace vorlandite::slideshow
