// Qt's events as exit-policy messages: one message per input however often Qt delivers it,
// the button and key kinds, Alt, and the virtual key codes the policy knows by number.

#include "host/QtInputMessage.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

namespace vorlandite::host {
namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "host_input_message_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's input-device registry goes first at exit, and the application would
    // then free devices it no longer knows. The tests of this program share one application.
    static QApplication* app = QCoreApplication::instance() ? static_cast<QApplication*>(QCoreApplication::instance())
                                                           : new QApplication(argc, argv);
    return *app;
}

struct KeyRow {
    const char* name;
    int qtKey;
    int virtualKey;
};

class VirtualKeyTest : public ::testing::TestWithParam<KeyRow> {};

TEST_P(VirtualKeyTest, MapsToTheCodeThePolicyKnows) { EXPECT_EQ(VirtualKeyOf(GetParam().qtKey), GetParam().virtualKey); }

INSTANTIATE_TEST_SUITE_P(Keys, VirtualKeyTest,
                         ::testing::Values(KeyRow{"Escape", Qt::Key_Escape, 27}, KeyRow{"F1", Qt::Key_F1, 112},
                                           KeyRow{"F2", Qt::Key_F2, 113}, KeyRow{"F12", Qt::Key_F12, 123},
                                           KeyRow{"LetterA", Qt::Key_A, 'A'}, KeyRow{"LetterZ", Qt::Key_Z, 'Z'},
                                           KeyRow{"Digit0", Qt::Key_0, '0'}, KeyRow{"Digit9", Qt::Key_9, '9'},
                                           KeyRow{"Space", Qt::Key_Space, 32}, KeyRow{"Return", Qt::Key_Return, 13},
                                           KeyRow{"Left", Qt::Key_Left, 37}, KeyRow{"Unknown", Qt::Key_Launch0, 0}),
                         [](const auto& row) { return std::string(row.param.name); });

class MapTest : public ::testing::Test {
protected:
    void SetUp() override { window.create(); }
    std::optional<InputMessage> Map(const QObject* receiver, const QEvent& event) {
        return MapQtEvent(receiver, &event, &showWindow);
    }
    QApplication& app = App();  // before any window
    QWindow window;             // the platform window input arrives at first
    QWidget showWindow; // the show's main window
    QWidget child{&showWindow};
};

QMouseEvent Mouse(QEvent::Type type, Qt::MouseButton button, QPointF global = {}) {
    return QMouseEvent(type, QPointF(1, 1), global, button, button, Qt::NoModifier);
}

TEST_F(MapTest, MouseMessagesCarryTheScreenPositionAndTheButtonKinds) {
    auto move = Map(&window, Mouse(QEvent::MouseMove, Qt::NoButton, QPointF(640, 480)));
    ASSERT_TRUE(move);
    EXPECT_EQ(move->kind, InputKind::MouseMove);
    EXPECT_EQ(move->position.x, 640);
    EXPECT_EQ(move->position.y, 480);
    EXPECT_EQ(Map(&window, Mouse(QEvent::MouseButtonPress, Qt::LeftButton))->kind, InputKind::LeftButtonDown);
    EXPECT_EQ(Map(&window, Mouse(QEvent::MouseButtonPress, Qt::RightButton))->kind, InputKind::RightButtonDown);
    EXPECT_EQ(Map(&window, Mouse(QEvent::MouseButtonPress, Qt::MiddleButton))->kind, InputKind::MiddleButtonDown);
    EXPECT_EQ(Map(&window, Mouse(QEvent::MouseButtonPress, Qt::BackButton))->kind, InputKind::Other);
    // Kinds that never end the show.
    EXPECT_EQ(Map(&window, Mouse(QEvent::MouseButtonRelease, Qt::LeftButton))->kind, InputKind::ButtonUp);
    EXPECT_EQ(Map(&window, Mouse(QEvent::MouseButtonDblClick, Qt::LeftButton))->kind, InputKind::DoubleClick);
    QWheelEvent wheel(QPointF(1, 1), QPointF(1, 1), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    EXPECT_EQ(Map(&window, wheel)->kind, InputKind::Wheel);
}

TEST_F(MapTest, InputIsTakenOnceAtThePlatformWindowNotAgainAtTheWidgets) {
    EXPECT_FALSE(Map(&showWindow, Mouse(QEvent::MouseMove, Qt::NoButton)));
    EXPECT_FALSE(Map(&child, Mouse(QEvent::MouseButtonPress, Qt::LeftButton)));
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    EXPECT_FALSE(Map(&child, key));
    EXPECT_TRUE(Map(&window, key));
}

TEST_F(MapTest, KeysWithAltAreSystemKeys) {
    auto down = Map(&window, QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    ASSERT_TRUE(down);
    EXPECT_EQ(down->kind, InputKind::KeyDown);
    EXPECT_EQ(down->virtualKey, kVirtualKeyEscape);
    EXPECT_EQ(Map(&window, QKeyEvent(QEvent::KeyRelease, Qt::Key_B, Qt::NoModifier))->kind, InputKind::KeyUp);
    EXPECT_EQ(Map(&window, QKeyEvent(QEvent::KeyPress, Qt::Key_F4, Qt::AltModifier))->kind, InputKind::SysKeyDown);
    EXPECT_EQ(Map(&window, QKeyEvent(QEvent::KeyRelease, Qt::Key_F4, Qt::AltModifier))->kind, InputKind::SysKeyUp);
}

TEST_F(MapTest, ActivationCountsForTheShowWindowAndTheApplicationOnly) {
    QEvent activate(QEvent::WindowActivate);
    QEvent deactivate(QEvent::WindowDeactivate);
    EXPECT_EQ(Map(&showWindow, activate)->kind, InputKind::Activate);
    EXPECT_EQ(Map(&showWindow, deactivate)->kind, InputKind::Activate);
    EXPECT_FALSE(Map(&child, deactivate)) << "each widget of the window hears of it too";
    QApplicationStateChangeEvent state(Qt::ApplicationInactive);
    EXPECT_EQ(Map(&App(), state)->kind, InputKind::ActivateApp);
    EXPECT_FALSE(Map(&window, state));
    EXPECT_FALSE(Map(&window, QEvent(QEvent::Paint)));
}

} // namespace
} // namespace vorlandite::host
