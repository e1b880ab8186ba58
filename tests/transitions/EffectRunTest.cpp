// Every effect, run whole: it completes, shows frames between the two pictures, and ends showing
// exactly the new picture. Each family adds its range of effect numbers below.

#include "TransitionRig.h"

#include "transitions/EffectCatalog.h"

#include <gtest/gtest.h>

#include <string>

namespace vorlandite::transitions {
namespace {

using namespace testing;

class EffectRunTest : public ::testing::TestWithParam<int> {};

TEST_P(EffectRunTest, EndsOnTheNewPictureAfterIntermediateFrames) {
    const int effect = GetParam();
    // Odd sizes, so that no half, tenth or step divides evenly.
    const TBitmap32 before = OldPicture(67, 45), after = NewPicture(67, 45);
    TransitionRig rig{uint32_t(effect)};
    const RecordedRun run = rig.Run(before, after, effect, 12);
    EXPECT_EQ(run.effectRun, effect);
    EXPECT_EQ(run.completions, 1);
    EXPECT_TRUE(SamePixels(run.final, after));
    int between = 0;
    for (const TBitmap32& frame : run.frames)
        between += !SamePixels(frame, before) && !SamePixels(frame, after);
    EXPECT_GT(between, 0) << run.frameCount << " frames, none between the pictures";
    EXPECT_FALSE(rig.engine.TransitionRunning);
}

std::string EffectLabel(const ::testing::TestParamInfo<int>& info) {
    std::string label = "Effect" + std::to_string(info.param) + "_";
    for (const char c : EffectName(info.param))
        if (std::isalnum(static_cast<unsigned char>(c)))
            label += c;
    return label;
}

INSTANTIATE_TEST_SUITE_P(Slides, EffectRunTest, ::testing::Range(1, 23), EffectLabel);
INSTANTIATE_TEST_SUITE_P(UnfoldAndLines, EffectRunTest, ::testing::Range(23, 65), EffectLabel);
INSTANTIATE_TEST_SUITE_P(PatternWipes, EffectRunTest, ::testing::Range(77, 101), EffectLabel);
INSTANTIATE_TEST_SUITE_P(LineDropBoxEllipse, EffectRunTest, ::testing::Range(65, 77), EffectLabel);
INSTANTIATE_TEST_SUITE_P(SweepZoomFade, EffectRunTest, ::testing::Range(101, 121), EffectLabel);

} // namespace
} // namespace vorlandite::transitions
