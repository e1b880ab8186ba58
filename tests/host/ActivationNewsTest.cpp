// Activation news as input: the show's own start arms the filter and is no input, repeats are
// no input, and after arming a change counts unless the focus stayed in the program's windows.

#include "host/ActivationNews.h"

#include <gtest/gtest.h>

#include <vector>

namespace vorlandite::host {
namespace {

struct News {
    InputKind kind;
    bool nowActive;
    bool focusInOwnWindow;
    bool counts;  // expected
};

constexpr auto W = InputKind::Activate;
constexpr auto A = InputKind::ActivateApp;

struct Case {
    const char* name;
    std::vector<News> sequence;
};

class ActivationNewsTest : public testing::TestWithParam<Case> {};

TEST_P(ActivationNewsTest, EachNewsCountsAsExpected) {
    ActivationNews news;
    const auto& sequence = GetParam().sequence;
    for (std::size_t i = 0; i < sequence.size(); ++i) {
        const News& n = sequence[i];
        EXPECT_EQ(news.CountsAsInput(n.kind, n.nowActive, n.focusInOwnWindow), n.counts) << "news " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, ActivationNewsTest,
    testing::Values(
        Case{"StartThenDeactivation",
             {{W, true, true, false}, {A, true, true, false}, {W, false, false, true}}},
        Case{"ApplicationFirst",
             {{A, true, true, false}, {W, true, true, false}, {A, false, false, true}}},
        Case{"RepeatsBeforeAndAfterArming",
             {{W, true, true, false}, {W, true, true, false}, {A, true, true, false}, {A, true, true, false},
              {W, false, false, true}, {W, false, false, false}}},
        Case{"FocusStaysInOwnWindows",
             {{W, true, true, false}, {A, true, true, false}, {W, false, true, false}, {W, true, true, false},
              {W, false, false, true}}},
        // Only the window came up: the filter is not armed, so a later deactivation is still
        // part of the start and the next activation of both arms it.
        Case{"NotArmedUntilBothActive",
             {{W, true, true, false}, {W, false, false, false}, {A, true, true, false}, {W, true, true, false},
              {A, false, false, true}}},
        Case{"OtherKindsAlwaysCount",
             {{InputKind::KeyDown, false, true, true}, {InputKind::MouseMove, false, false, true}}}),
    [](const testing::TestParamInfo<Case>& row) { return row.param.name; });

} // namespace
} // namespace vorlandite::host
