// The show on virtual time without a screen: timing across transitions, the same show for the
// same seed, two monitors, the desktop start and GIF frames, with small screensavers of
// solid-colour pictures built here.

#include "slideshow/headless/HeadlessShow.h"

#include "../OverlayTestSupport.h"
#include "../ShowItems.h"
#include "HeadlessRun.h"
#include "raster/decoders/PictureWriters.h"

#include <gtest/gtest.h>

#include <vector>

namespace vorlandite::slideshow {
namespace {

namespace support = vorlandite::testing;
using support::SolidPictureItem;
using support::BrokenPictureItem;
using support::TwoFrameGifItem;
using raster::TColor32;
using Type = HeadlessEvent::Type;

constexpr TColor32 kRed = 0xFFFF0000u;
constexpr TColor32 kGreen = 0xFF00FF00u;
constexpr TColor32 kBlue = 0xFF0000FFu;
constexpr TColor32 kBlack = 0xFF000000u;

payload::PayloadDraft Draft(std::vector<payload::DraftItem<payload::TKelImageInfo>> items, int order = 0) {
    payload::PayloadDraft draft;
    draft.header.Seconds = 5;
    draft.header.DisplayOrder = order;
    draft.header.EffectSpeed = 3;
    draft.header.GradientStyle = 1;
    for (int effect = 1; effect <= 120; ++effect)
        draft.strings.EffectList += char(effect);
    draft.images = std::move(items);
    return draft;
}

HeadlessShowOptions Small(uint32_t seed = 1, int monitors = 1) { return {64, 48, seed, monitors}; }

bool IsAll(const raster::TBitmap32& screen, TColor32 colour) {
    for (TColor32 p : screen.Pixels())
        if (p != colour)
            return false;
    return !screen.Pixels().empty();
}

TEST(HeadlessShowTest, DisplayTimeCountsFromTheEndOfEachTransition) {
    support::HeadlessRun run(Draft({SolidPictureItem(kRed), SolidPictureItem(kGreen), SolidPictureItem(kBlue)}), Small());
    run.show->RunUntil(30000);
    const auto items = run.Of(Type::Item);
    const auto ends = run.Of(Type::TransitionEnd);
    ASSERT_GE(items.size(), 4u);
    ASSERT_GE(ends.size(), 3u);
    EXPECT_EQ(items[0]->timeMs, 0);
    EXPECT_EQ(items[0]->item.mode, ShowMode::AtOnce);
    EXPECT_EQ(items[1]->timeMs, 5000);
    for (std::size_t i = 1; i < items.size() && i <= ends.size(); ++i) {
        // A transition takes show time, and the next item follows 5 s after it has ended.
        EXPECT_GT(ends[i - 1]->timeMs, items[i]->timeMs) << i;
        EXPECT_EQ(ends[i - 1]->sequence, items[i]->sequence);
        if (i + 1 < items.size()) {
            EXPECT_EQ(items[i + 1]->timeMs, ends[i - 1]->timeMs + 5000) << i;
        }
    }
    EXPECT_EQ(run.show->NowMs(), 30000);
}

TEST(HeadlessShowTest, SameSeedSameShowOtherSeedOtherChoices) {
    auto draft = Draft(
        {SolidPictureItem(kRed), SolidPictureItem(kGreen), SolidPictureItem(kBlue), SolidPictureItem(kBlack)},
        kOrderRandom);
    auto summary = [&](uint32_t seed) {
        support::HeadlessRun run(draft, Small(seed));
        run.show->RunUntil(60000);
        std::vector<int64_t> values;
        for (const auto& e : run.events)
            values.insert(values.end(), {int64_t(e.type), e.timeMs, e.item.index, e.item.effect});
        for (TColor32 p : run.show->Screen(0).Pixels())
            values.push_back(p);
        return values;
    };
    const auto first = summary(11);
    EXPECT_EQ(first, summary(11));
    EXPECT_NE(first, summary(12));
}

TEST(HeadlessShowTest, TwoMonitorsTakeTurnsAndKeepTheirPictures) {
    support::HeadlessRun run(Draft({SolidPictureItem(kRed), SolidPictureItem(kGreen), SolidPictureItem(kBlue)}), Small(1, 2));
    ASSERT_EQ(run.show->MonitorCount(), 2);
    EXPECT_TRUE(IsAll(run.show->Screen(1), kRed));  // the first item is on both at once
    run.show->RunUntil(5000);                       // green comes in on the second monitor
    EXPECT_TRUE(IsAll(run.show->Screen(0), kRed));
    EXPECT_TRUE(IsAll(run.show->Screen(1), kGreen));
    run.show->RunUntil(40000);
    std::vector<int> monitors;
    for (const auto* e : run.Of(Type::Item))
        monitors.push_back(e->item.monitor);
    ASSERT_GE(monitors.size(), 4u);
    for (std::size_t i = 0; i < monitors.size(); ++i)
        EXPECT_EQ(monitors[i], int(i % 2)) << i;
}

TEST(HeadlessShowTest, DesktopStartIsNoItemAndBrokenItemsAreNotReported) {
    auto draft = Draft({SolidPictureItem(kRed), BrokenPictureItem(), SolidPictureItem(kBlue)});
    draft.header.DesktopStart = true;
    support::HeadlessRun run(draft, Small());
    EXPECT_TRUE(run.events.empty());
    EXPECT_TRUE(IsAll(run.show->Screen(0), kBlack));  // the headless desktop
    run.show->RunUntil(20000);
    const auto items = run.Of(Type::Item);
    ASSERT_GE(items.size(), 2u);
    EXPECT_EQ(items[0]->timeMs, 1);
    EXPECT_EQ(items[0]->item.mode, ShowMode::Transition);
    EXPECT_EQ(items[0]->item.index, 0);
    EXPECT_EQ(items[1]->item.index, 2);  // item 1 could not be shown
    EXPECT_EQ(items[1]->sequence, 1);
}

TEST(HeadlessShowTest, GifFramesFollowTheirDelaysAfterTheTransition) {
    support::HeadlessRun run(Draft({SolidPictureItem(kBlue), TwoFrameGifItem(kRed, kGreen, 20)}), Small());
    run.show->RunUntil(9000);
    const auto ends = run.Of(Type::TransitionEnd);
    const auto frames = run.Of(Type::GifFrame);
    ASSERT_EQ(ends.size(), 1u);
    ASSERT_GE(frames.size(), 4u);
    const int64_t in = ends[0]->timeMs;
    const int64_t expected[] = {in + 1, in + 201, in + 401, in + 601};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(frames[i]->timeMs, expected[i]) << i;
        EXPECT_EQ(frames[i]->frame, int(i % 2)) << i;
    }
    // The screen shows the frame drawn last.
    EXPECT_TRUE(IsAll(run.show->Screen(0), frames.back()->frame == 0 ? kRed : kGreen));
}

TEST(HeadlessShowTest, FinishClosesTheShowOnce) {
    support::HeadlessRun run(Draft({SolidPictureItem(kRed), SolidPictureItem(kGreen)}), Small());
    run.show->RunUntil(6000);
    run.show->Finish();
    run.show->Finish();
    EXPECT_EQ(run.Of(Type::End).size(), 1u);
    EXPECT_TRUE(run.show->Controller().Closed());
    const auto count = run.events.size();
    run.show->RunUntil(60000);
    EXPECT_EQ(run.events.size(), count);
}

}  // namespace
}  // namespace vorlandite::slideshow
