#include "platform/qt/QtPasswordPrompt.h"

#include "platform/PamPasswordCheck.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QPointer>

#include <algorithm>
#include <thread>

namespace vorlandite::platform {

QtPasswordPrompt::QtPasswordPrompt(Check check, bool bypassWindowManager)
    : check_(std::move(check)), bypassWindowManager_(bypassWindowManager) {
    if (!check_) {
        check_ = [](const std::string& password) { return CheckUserPassword(CurrentUserName(), password); };
    }
}

namespace {

// What the dialog ends with; only the check ends it with kPassed.
enum PromptOutcome { kCancelled = QDialog::Rejected, kPassed = 2, kRefused = 3, kCannotCheck = 4 };

// While the password is being checked the question cannot be cancelled, and nothing but the
// check can accept it.
class TPasswordDialog final : public QDialog {
public:
    bool checking = false;
    void accept() override {}
    void reject() override {
        if (!checking)
            QDialog::reject();
    }
};

} // namespace

std::optional<bool> QtPasswordPrompt::Verify() {
    TPasswordDialog dialog;
    Qt::WindowFlags flags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint;
    if (bypassWindowManager_)
        flags |= Qt::X11BypassWindowManagerHint;  // above the show, which bypasses it too
    dialog.setWindowFlags(flags);
    dialog.setWindowTitle(QStringLiteral("Screen Saver"));
    dialog.setObjectName(QStringLiteral("PasswordDialog"));

    auto* layout = new QVBoxLayout(&dialog);
    auto* prompt = new QLabel(QStringLiteral("This screen saver is password protected.\nType your password:"), &dialog);
    auto* field = new QLineEdit(&dialog);
    field->setObjectName(QStringLiteral("Password"));
    field->setEchoMode(QLineEdit::Password);
    field->setMinimumWidth(260);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addWidget(prompt);
    layout->addWidget(field);
    layout->addWidget(buttons);

    // The check runs on a thread of its own: the system may take seconds over a wrong password,
    // and the show behind the dialog must go on painting meanwhile.
    std::thread checker;
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        if (dialog.checking)
            return;
        dialog.checking = true;
        field->setEnabled(false);
        buttons->setEnabled(false);
        prompt->setText(QStringLiteral("Checking the password..."));
        std::string password = field->text().toStdString();
        field->clear();  // the typed text is not kept beyond the check
        QPointer<QDialog> target(&dialog);
        checker = std::thread([this, password = std::move(password), target]() mutable {
            const Result<bool> passed = check_(password);
            std::fill(password.begin(), password.end(), '\0');
            const int outcome = !passed ? kCannotCheck : (*passed ? kPassed : kRefused);
            QMetaObject::invokeMethod(
                target, [target, outcome] { if (target) target->done(outcome); }, Qt::QueuedConnection);
        });
    });

    dialog.adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        dialog.move(screen->geometry().center() - dialog.rect().center());
    if (OnShown)
        QTimer::singleShot(0, &dialog, [this, &dialog] { OnShown(dialog); });
    QTimer::singleShot(0, &dialog, [&dialog, field] {
        dialog.raise();
        dialog.activateWindow();
        field->setFocus();
    });
    const int outcome = dialog.exec();
    if (checker.joinable())
        checker.join();
    switch (outcome) {
    case kPassed: return true;
    case kCannotCheck: return std::nullopt;
    default: return false;
    }
}

} // namespace vorlandite::platform
