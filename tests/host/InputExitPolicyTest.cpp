// The exit policy: which message ends the show under which exit settings, the 5-pixel mouse
// tolerance, the cursor source with two monitors, Escape, F1 and F2, and the suspended filter.

#include "host/InputExitPolicy.h"

#include <gtest/gtest.h>

#include <string>

namespace vorlandite::host {
namespace {

// The platform cursor of the tests: a fixed position, and how often it was asked.
class FakeCursor final : public ICursorPosition {
public:
    InputPoint CursorPos() override {
        ++asked;
        return position;
    }
    InputPoint position;
    int asked = 0;
};

enum Exits : unsigned {
    kNone = 0,
    kMouseMove = 1,
    kMouseButton = 2,
    kKeyboard = 4,
    kEsc = 8,
    kAll = 15,
};

struct Expect {
    bool exit = false;
    bool showCursor = false;
    bool setWallpaper = false;
    bool useF1Link = false;
};

constexpr Expect kNothing{};
constexpr Expect kExit{true};
constexpr Expect kShowCursor{false, true};
constexpr Expect kWallpaper{false, false, true};
constexpr Expect kExitWithF1Link{true, false, false, true};

struct PolicyRow {
    const char* name;
    unsigned exits;
    InputMessage message;
    Expect expect;
    const char* f1Link = "";
    bool suspended = false;
};

constexpr InputPoint kShowAt{400, 300};

InputMessage MoveBy(int dx, int dy) { return {InputKind::MouseMove, {kShowAt.x + dx, kShowAt.y + dy}, 0}; }
InputMessage Key(InputKind kind, int virtualKey) { return {kind, {}, virtualKey}; }
InputMessage Message(InputKind kind) { return {kind, {}, 0}; }

constexpr int kKeyA = 65;

class InputExitPolicyTest : public ::testing::TestWithParam<PolicyRow> {};

TEST_P(InputExitPolicyTest, Decides) {
    const PolicyRow& row = GetParam();
    FakeCursor cursor;
    InputExitState state;
    state.Suspended = row.suspended;
    state.CursorAtShow = kShowAt;
    state.ExitMouseMove = row.exits & kMouseMove;
    state.ExitMouseButton = row.exits & kMouseButton;
    state.ExitKeyboard = row.exits & kKeyboard;
    state.ExitESC = row.exits & kEsc;
    state.F1Link = row.f1Link;
    const InputExitPolicy policy(cursor, state);

    const ExitDecision d = policy.Decide(row.message);
    EXPECT_EQ(d.exit, row.expect.exit);
    EXPECT_EQ(d.showCursor, row.expect.showCursor);
    EXPECT_EQ(d.setWallpaper, row.expect.setWallpaper);
    EXPECT_EQ(d.replaceExitLinkWithF1Link, row.expect.useF1Link);
    EXPECT_EQ(cursor.asked, 0) << "one monitor: the message's own position counts";
}

INSTANTIATE_TEST_SUITE_P(
    Mouse, InputExitPolicyTest,
    ::testing::Values(
        PolicyRow{"FivePixelsBothWaysStays", kAll, MoveBy(5, 5), kNothing},
        PolicyRow{"FiveBackwardsStays", kAll, MoveBy(-5, -5), kNothing},
        PolicyRow{"SixRightExits", kAll, MoveBy(6, 0), kExit},
        PolicyRow{"SixUpExits", kAll, MoveBy(0, -6), kExit},
        PolicyRow{"MovedWithoutMouseExitShowsCursor", kAll & ~kMouseMove, MoveBy(40, 2), kShowCursor},
        PolicyRow{"SmallMoveWithoutMouseExitKeepsCursorHidden", kNone, MoveBy(3, 3), kNothing},
        PolicyRow{"FarAwayCoordinatesDoNotWrap", kMouseMove,
                  InputMessage{InputKind::MouseMove, {-2147483647, 2147483647}, 0}, kExit},
        PolicyRow{"LeftDown", kMouseButton, Message(InputKind::LeftButtonDown), kExit},
        PolicyRow{"RightDown", kMouseButton, Message(InputKind::RightButtonDown), kExit},
        PolicyRow{"MiddleDown", kMouseButton, Message(InputKind::MiddleButtonDown), kExit},
        PolicyRow{"Activation", kMouseButton, Message(InputKind::Activate), kExit},
        PolicyRow{"ApplicationSwitch", kMouseButton, Message(InputKind::ActivateApp), kExit},
        PolicyRow{"FrameActivation", kMouseButton, Message(InputKind::NcActivate), kExit},
        PolicyRow{"ButtonDownWithoutButtonExit", kAll & ~kMouseButton, Message(InputKind::LeftButtonDown), kNothing},
        PolicyRow{"ReleaseNeverExits", kAll, Message(InputKind::ButtonUp), kNothing},
        PolicyRow{"DoubleClickNeverExits", kAll, Message(InputKind::DoubleClick), kNothing},
        PolicyRow{"WheelNeverExits", kAll, Message(InputKind::Wheel), kNothing},
        PolicyRow{"OtherMessagesNeverExit", kAll, Message(InputKind::Other), kNothing}),
    [](const auto& row) { return std::string(row.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Keys, InputExitPolicyTest,
    ::testing::Values(
        PolicyRow{"AnyKeyDown", kKeyboard, Key(InputKind::KeyDown, kKeyA), kExit},
        PolicyRow{"AnyKeyUp", kKeyboard, Key(InputKind::KeyUp, kKeyA), kExit},
        PolicyRow{"AltKeyDown", kKeyboard, Key(InputKind::SysKeyDown, kKeyA), kExit},
        PolicyRow{"KeysOff", kAll & ~kKeyboard & ~kEsc, Key(InputKind::KeyDown, kVirtualKeyEscape), kNothing},
        PolicyRow{"EscapeAloneExitsOnKeyDown", kEsc, Key(InputKind::KeyDown, kVirtualKeyEscape), kExit},
        PolicyRow{"EscapeAloneIgnoresKeyUp", kEsc, Key(InputKind::KeyUp, kVirtualKeyEscape), kNothing},
        PolicyRow{"EscapeAloneIgnoresAltEscape", kEsc, Key(InputKind::SysKeyDown, kVirtualKeyEscape), kNothing},
        PolicyRow{"EscapeAloneIgnoresOtherKeys", kEsc, Key(InputKind::KeyDown, kKeyA), kNothing},
        PolicyRow{"F2DownSetsWallpaperAndStays", kKeyboard, Key(InputKind::KeyDown, kVirtualKeyF2), kWallpaper},
        PolicyRow{"F2UpThenExits", kKeyboard, Key(InputKind::KeyUp, kVirtualKeyF2), kExit},
        PolicyRow{"F2WithoutKeyboardExitDoesNothing", kAll & ~kKeyboard, Key(InputKind::KeyDown, kVirtualKeyF2),
                  kNothing},
        PolicyRow{"AltF2IsAnOrdinaryKey", kKeyboard, Key(InputKind::SysKeyDown, kVirtualKeyF2), kExit},
        PolicyRow{"F1WithLinkExitsToIt", kKeyboard, Key(InputKind::KeyDown, kVirtualKeyF1), kExitWithF1Link,
                  "https://example.org/help"},
        PolicyRow{"F1WithoutLinkJustExits", kKeyboard, Key(InputKind::KeyDown, kVirtualKeyF1), kExit},
        PolicyRow{"F1UpKeepsExitLink", kKeyboard, Key(InputKind::KeyUp, kVirtualKeyF1), kExit,
                  "https://example.org/help"},
        PolicyRow{"F1WithoutKeyboardExitDoesNothing", kEsc, Key(InputKind::KeyDown, kVirtualKeyF1), kNothing,
                  "https://example.org/help"}),
    [](const auto& row) { return std::string(row.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Suspended, InputExitPolicyTest,
    ::testing::Values(
        PolicyRow{"IgnoresKeys", kAll, Key(InputKind::KeyDown, kVirtualKeyEscape), kNothing, "", true},
        PolicyRow{"IgnoresF2", kAll, Key(InputKind::KeyDown, kVirtualKeyF2), kNothing, "", true},
        PolicyRow{"IgnoresButtons", kAll, Message(InputKind::LeftButtonDown), kNothing, "", true},
        PolicyRow{"IgnoresMovesEvenForTheCursor", kNone, MoveBy(50, 50), kNothing, "", true}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(InputExitPolicyMultiMonitor, MeasuresThePlatformCursorNotTheMessage) {
    FakeCursor cursor;
    InputExitState state;
    state.CursorAtShow = kShowAt;
    state.MultiMonitor = true;
    InputExitPolicy policy(cursor, state);

    // The message sits on the start position, the cursor is on the other screen.
    cursor.position = {kShowAt.x - 1000, kShowAt.y};
    EXPECT_TRUE(policy.Decide(MoveBy(0, 0)).exit);
    // And the other way round: the message jumped, the real cursor did not.
    cursor.position = {kShowAt.x + 5, kShowAt.y - 5};
    EXPECT_FALSE(policy.Decide(MoveBy(300, 300)).exit);
    EXPECT_EQ(cursor.asked, 2);

    // Only mouse moves ask for it.
    policy.Decide(Message(InputKind::LeftButtonDown));
    EXPECT_EQ(cursor.asked, 2);
}

} // namespace
} // namespace vorlandite::host
