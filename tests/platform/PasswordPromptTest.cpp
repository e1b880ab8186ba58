// The password question at the end of a locked show: what the dialog answers for a typed
// password, a cancel and a system that cannot check; and the PAM check refusing a wrong
// password of the user running the tests.

#include "platform/PamPasswordCheck.h"
#include "platform/qt/QtPasswordPrompt.h"
#include "support/QtApplication.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QLineEdit>

namespace vorlandite::platform {
namespace {

class PasswordPromptTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { vorlandite::testing::EnsureQtApplication<QApplication>(); }

    // Types `text` into the shown dialog and presses OK (or Cancel).
    static std::function<void(QDialog&)> Type(const QString& text, bool accept = true) {
        return [text, accept](QDialog& dialog) {
            auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("Password"));
            auto* buttons = dialog.findChild<QDialogButtonBox*>();
            ASSERT_NE(field, nullptr);
            ASSERT_NE(buttons, nullptr);
            EXPECT_EQ(field->echoMode(), QLineEdit::Password);
            field->setText(text);
            buttons->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        };
    }
};

TEST_F(PasswordPromptTest, TheTypedPasswordDecidesAndACancelRefuses) {
    std::vector<std::string> checked;
    QtPasswordPrompt prompt([&checked](const std::string& password) -> Result<bool> {
        checked.push_back(password);
        return password == "secret";
    });
    prompt.OnShown = Type(QStringLiteral("secret"));
    EXPECT_EQ(prompt.Verify(), true);
    prompt.OnShown = Type(QStringLiteral("guess"));
    EXPECT_EQ(prompt.Verify(), false);
    prompt.OnShown = Type(QStringLiteral("secret"), false);
    EXPECT_EQ(prompt.Verify(), false) << "a cancelled question keeps the show";
    EXPECT_EQ(checked, (std::vector<std::string>{"secret", "guess"})) << "a cancel checks nothing";
}

TEST_F(PasswordPromptTest, OnlyTheCheckCanLetTheShowEnd) {
    // Anything that accepts the dialog by itself (a default button, a stray accept) is no pass.
    QtPasswordPrompt prompt([](const std::string&) -> Result<bool> { return false; });
    prompt.OnShown = [](QDialog& dialog) {
        dialog.accept();
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    };
    EXPECT_EQ(prompt.Verify(), false);
}

TEST_F(PasswordPromptTest, ASystemThatCannotCheckLetsTheShowEnd) {
    QtPasswordPrompt prompt([](const std::string&) -> Result<bool> { return MakeError("no PAM"); });
    prompt.OnShown = Type(QStringLiteral("anything"));
    EXPECT_EQ(prompt.Verify(), std::nullopt);
}

TEST(PamPasswordCheckTest, AWrongPasswordOrAnUnknownUserNeverPasses) {
    ASSERT_FALSE(CurrentUserName().empty());
    const Result<bool> wrong = CheckUserPassword(CurrentUserName(), "not the password \x01\x02");
    EXPECT_FALSE(wrong.ok() && *wrong) << "a wrong password passed";
    EXPECT_FALSE(CheckUserPassword("", "x").ok());
    const Result<bool> nobody = CheckUserPassword("no-such-user-vorlandite", "x");
    EXPECT_FALSE(nobody.ok() && *nobody);
}

} // namespace
} // namespace vorlandite::platform
