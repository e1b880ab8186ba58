// The password question at the end of a locked show, with the check injected: what each outcome
// of a check does to the question, that only a passing check ends it with a pass, the growing
// pause after failed tries, and that the typed password reaches the check and nothing else.

#include "platform/ProcessHardening.h"
#include "platform/qt/QtPasswordPrompt.h"
#include "support/QtApplication.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QInputDevice>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <string>
#include <vector>

namespace vorlandite::platform {
namespace {

using namespace std::chrono_literals;
using enum PasswordVerdict;
using Clock = std::chrono::steady_clock;

QLineEdit* Field(QDialog& dialog) { return dialog.findChild<QLineEdit*>(QStringLiteral("Password")); }
QString Status(QDialog& dialog) { return dialog.findChild<QLabel*>(QStringLiteral("Status"))->text(); }
QPushButton* Button(QDialog& dialog, QDialogButtonBox::StandardButton which) {
    return dialog.findChild<QDialogButtonBox*>()->button(which);
}

void Key(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &release);
}

// One key per character, as a keyboard would send them.
void Type(QWidget* field, const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() ? 2 : 1;
        Key(field, Qt::Key_unknown, Qt::NoModifier, text.mid(i, length));
        i += length - 1;
    }
}

// Runs the event loop until `condition` holds; false when it never does (a guard, not a timing).
bool WaitFor(const std::function<bool()>& condition) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition()) {
        if (elapsed.elapsed() > 10000)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class PasswordPromptTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Qt's list of input devices first, so that it outlives the application object: that is
        // destroyed at exit and deletes the keyboard device the key events below make.
        (void)QInputDevice::devices();
        vorlandite::testing::EnsureQtApplication<QApplication>();
    }

    // A prompt on the test's clock, with a check that records what it was given and answers
    // `answer` (or passes for "secret" when no answer is set).
    QtPasswordPrompt MakePrompt(std::optional<PasswordCheckResult> answer = std::nullopt) {
        QtPasswordPrompt prompt([this, answer](const LockedSecret& password) {
            checked_.emplace_back(password.View());
            if (answer)
                return *answer;
            return password.View() == "secret" ? PasswordCheckResult{Passed, {}}
                                               : PasswordCheckResult{Wrong, "The password is not correct."};
        });
        prompt.now = [this] { return now_; };
        return prompt;
    }

    // Verify, with a guard that ends a question the test left hanging.
    std::optional<bool> Ask(QtPasswordPrompt& prompt, std::function<void(QDialog&)> onShown) {
        prompt.OnShown = [onShown](QDialog& dialog) {
            QTimer::singleShot(20000, &dialog, [&dialog] {
                ADD_FAILURE() << "the question never ended";
                dialog.done(QDialog::Rejected);
            });
            onShown(dialog);
        };
        return prompt.Verify();
    }

    // Types `text` and presses Return, as a user does.
    static std::function<void(QDialog&)> Enter(const QString& text) {
        return [text](QDialog& dialog) {
            ASSERT_NE(Field(dialog), nullptr);
            EXPECT_EQ(Field(dialog)->echoMode(), QLineEdit::Password);
            Type(Field(dialog), text);
            Key(Field(dialog), Qt::Key_Return);
        };
    }

    std::vector<std::string> checked_;
    Clock::time_point now_ = Clock::time_point(1000h);
};

TEST_F(PasswordPromptTest, TheTypedKeysReachTheCheckButNeverTheLineEdit) {
    QtPasswordPrompt prompt = MakePrompt(PasswordCheckResult{Passed, {}});
    const QString typed = QStringLiteral("p\u00E4ss w\u00F6rd\u20AC") + QString::fromUcs4(U"\U0001F600");
    EXPECT_EQ(Ask(prompt,
                  [&](QDialog& dialog) {
                      QLineEdit* field = Field(dialog);
                      Type(field, QStringLiteral("xy") + typed + QStringLiteral("Z"));
                      Key(field, Qt::Key_Backspace);
                      Key(field, Qt::Key_Left);  // the cursor stays at the end
                      Key(field, Qt::Key_U, Qt::ControlModifier);  // the line goes
                      Type(field, typed + QStringLiteral("!"));
                      Key(field, Qt::Key_Backspace);
                      Key(field, Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"));  // no paste, no ^V
                      EXPECT_EQ(field->text(), QString(11, QLatin1Char('*')));
                      EXPECT_FALSE(field->isUndoAvailable());
                      Key(field, Qt::Key_Return);
                  }),
              true);
    EXPECT_EQ(checked_, (std::vector<std::string>{"p\xC3\xA4ss w\xC3\xB6rd\xE2\x82\xAC\xF0\x9F\x98\x80"}));
}

TEST_F(PasswordPromptTest, TheSecretIsWipedOnceChecked) {
    const LockedSecret* seen = nullptr;
    const char* bytes = nullptr;
    std::size_t size = 0;
    QtPasswordPrompt prompt([&](const LockedSecret& password) {
        seen = &password;
        bytes = password.CStr();
        size = password.Size();
        return PasswordCheckResult{Wrong, "The password is not correct."};
    });
    prompt.now = [this] { return now_; };
    prompt.OnFailed = [&](QDialog& dialog) {
        // The dialog is still up (the pause), the buffer still mapped: nothing of it is left.
        ASSERT_NE(seen, nullptr);
        EXPECT_EQ(size, 6u);
        EXPECT_EQ(seen->Size(), 0u);
        for (std::size_t i = 0; i < size; ++i)
            EXPECT_EQ(bytes[i], 0) << i;
        EXPECT_TRUE(Field(dialog)->text().isEmpty());
        now_ += 1h;
    };
    EXPECT_EQ(Ask(prompt, Enter(QStringLiteral("hunter"))), false);
}

struct OutcomeRow {
    const char* name;
    PasswordCheckResult answer;
    bool passes;
};

class PromptOutcomeTest : public PasswordPromptTest, public ::testing::WithParamInterface<OutcomeRow> {};

TEST_P(PromptOutcomeTest, OnlyAPassingCheckEndsTheShowAndAFailureSaysWhy) {
    const OutcomeRow& row = GetParam();
    QtPasswordPrompt prompt = MakePrompt(row.answer);
    bool failed = false;
    prompt.OnFailed = [&](QDialog& dialog) {
        failed = true;
        // The reason and the pause are shown, and no other try is taken meanwhile.
        EXPECT_TRUE(Status(dialog).contains(QString::fromStdString(row.answer.reason))) << Status(dialog).toStdString();
        EXPECT_TRUE(Status(dialog).contains(QStringLiteral("try again in 1 s"))) << Status(dialog).toStdString();
        EXPECT_FALSE(Field(dialog)->isEnabled());
        EXPECT_FALSE(Button(dialog, QDialogButtonBox::Ok)->isEnabled());
        Button(dialog, QDialogButtonBox::Ok)->click();
        dialog.accept();
        EXPECT_EQ(checked_.size(), 1u);
        // Still up until the pause is over; then the show goes on.
        now_ += 999ms;
        QApplication::processEvents();
        EXPECT_TRUE(dialog.isVisible());
        now_ += 1ms;
    };
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Ask(prompt, Enter(QStringLiteral("typed"))), row.passes);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(failed, !row.passes);
    EXPECT_EQ(checked_, std::vector<std::string>{"typed"});
    EXPECT_EQ(prompt.FailedTries(), row.passes ? 0 : 1);
    if (!row.answer.reason.empty()) {
        EXPECT_NE(said.find(row.answer.reason), std::string::npos) << "stderr: " << said;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, PromptOutcomeTest,
    ::testing::Values(
        OutcomeRow{"Passed", {Passed, {}}, true},
        OutcomeRow{"ExpiredButRight",
                   {PassedButExpired, "The password has expired and must be changed: Authentication token is no longer valid"},
                   true},
        OutcomeRow{"Wrong", {Wrong, "The password is not correct."}, false},
        OutcomeRow{"DirectoryUnreachable",
                   {CannotCheck, "The password could not be checked: Authentication service cannot retrieve authentication info"},
                   false},
        OutcomeRow{"NoPasswdEntry",
                   {CannotCheck, "The password could not be checked: this account (user id 54321) is not in the user database"},
                   false},
        OutcomeRow{"AccountRefused", {AccountRefused, "The account may not log in now: User account has expired"}, false},
        OutcomeRow{"NoReasonGiven", {CannotCheck, ""}, false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(PasswordPromptTest, ACancelChecksNothingAndAStrayAcceptIsNoPass) {
    QtPasswordPrompt prompt = MakePrompt();
    EXPECT_EQ(Ask(prompt,
                  [](QDialog& dialog) {
                      Type(Field(dialog), QStringLiteral("secret"));
                      Key(Field(dialog), Qt::Key_Escape);
                  }),
              false);
    EXPECT_EQ(Ask(prompt,
                  [](QDialog& dialog) {
                      Type(Field(dialog), QStringLiteral("secret"));
                      Button(dialog, QDialogButtonBox::Cancel)->click();
                  }),
              false);
    EXPECT_TRUE(checked_.empty()) << "a cancel checks nothing";
    EXPECT_EQ(prompt.FailedTries(), 0);

    // Anything that accepts the dialog by itself (a default button, a stray accept) is no pass.
    prompt.OnFailed = [this](QDialog&) { now_ += 1h; };
    EXPECT_EQ(Ask(prompt,
                  [](QDialog& dialog) {
                      dialog.accept();
                      Button(dialog, QDialogButtonBox::Ok)->click();
                  }),
              false);
    EXPECT_EQ(checked_, std::vector<std::string>{""});
}

TEST_F(PasswordPromptTest, ThePauseGrowsWithEachFailedTryAndAQuestionDuringItTakesNoTry) {
    QtPasswordPrompt prompt = MakePrompt();
    std::vector<int> pauses;
    prompt.OnFailed = [&](QDialog& dialog) {
        const QString status = Status(dialog);
        const qsizetype at = status.indexOf(QStringLiteral("try again in "));
        ASSERT_GE(at, 0) << status.toStdString();
        pauses.push_back(status.mid(at + 13).section(QLatin1Char(' '), 0, 0).toInt());
        Button(dialog, QDialogButtonBox::Cancel)->click();  // the show goes on; the pause stays
    };
    for (int i = 0; i < 7; ++i) {
        // Asked while the last pause runs: the question waits, then takes one try.
        EXPECT_EQ(Ask(prompt,
                      [&](QDialog& dialog) {
                          QLineEdit* field = Field(dialog);
                          if (i > 0) {
                              EXPECT_FALSE(field->isEnabled());
                              EXPECT_TRUE(Status(dialog).contains(QStringLiteral("The password is not correct.")));
                              Type(field, QStringLiteral("secret"));
                              Key(field, Qt::Key_Return);
                              Button(dialog, QDialogButtonBox::Ok)->click();
                              EXPECT_EQ(checked_.size(), std::size_t(i)) << "a try during the pause";
                              now_ += std::chrono::seconds(pauses.back());
                              ASSERT_TRUE(WaitFor([field] { return field->isEnabled(); }));
                              EXPECT_TRUE(field->text().isEmpty());
                          }
                          Type(field, QStringLiteral("guess"));
                          Key(field, Qt::Key_Return);
                      }),
                  false);
    }
    EXPECT_EQ(pauses, (std::vector<int>{1, 2, 4, 8, 16, 30, 30}));
    EXPECT_EQ(prompt.FailedTries(), 7);

    // The right password after the pause: the show ends, and the count starts over.
    now_ += 30s;
    EXPECT_EQ(Ask(prompt, Enter(QStringLiteral("secret"))), true);
    EXPECT_EQ(prompt.FailedTries(), 0);
}

TEST(PauseAfterFailedTriesTest, DoublesFromOneSecondUpToThirty) {
    const std::pair<int, int> rows[] = {{-1, 0}, {0, 0}, {1, 1}, {2, 2}, {3, 4}, {4, 8}, {5, 16},
                                        {6, 30}, {7, 30}, {64, 30}, {1 << 30, 30}};
    for (const auto& [tries, seconds] : rows)
        EXPECT_EQ(PauseAfterFailedTries(tries).count(), seconds) << tries << " failed tries";
}

} // namespace
} // namespace vorlandite::platform
