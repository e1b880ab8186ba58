#include "platform/qt/QtPasswordPrompt.h"

#include "platform/ProcessHardening.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <thread>

namespace vorlandite::platform {

std::chrono::seconds PauseAfterFailedTries(int failedTries) {
    constexpr int kLongest = 30;
    if (failedTries <= 0)
        return std::chrono::seconds(0);
    const int doublings = std::min(failedTries - 1, 5);  // 2^5 = 32 is past the cap already
    return std::chrono::seconds(std::min(1 << doublings, kLongest));
}

QtPasswordPrompt::QtPasswordPrompt(Check check, bool bypassWindowManager)
    : check_(std::move(check)), bypassWindowManager_(bypassWindowManager) {
    if (!check_) {
        // The name is looked up once it is known: a directory that becomes unreachable later
        // leaves PAM to decide (it may have the credentials cached) instead of failing at once.
        check_ = [user = std::string()](const LockedSecret& password) mutable {
            if (user.empty())
                user = CurrentUserName();
            return CheckUserPassword(user, password);
        };
    }
}

namespace {

// What the dialog ends with; only a check that passes ends it with kPassed.
enum PromptOutcome { kCancelled = QDialog::Rejected, kPassed = 2, kRefused = 3 };

// While the password is being checked the question cannot be cancelled, and nothing but the
// check can accept it.
class PasswordDialog final : public QDialog {
public:
    bool checking = false;
    void accept() override {}
    void reject() override {
        if (!checking)
            QDialog::reject();
    }
};

// The password field. What is typed goes straight into the locked buffer; the line edit only
// ever holds one '*' per character, so neither its text nor its undo history (which QLineEdit
// keeps in password mode too, a character per entry) nor the QStrings it hands out contain the
// password. The cursor stays at the end: no selection, paste (keys, middle button, menu) or
// drop, which could not keep the buffer and the field in step.
class PasswordField final : public QLineEdit {
public:
    PasswordField(LockedSecret& secret, QWidget* parent) : QLineEdit(parent), secret_(secret) {
        setEchoMode(QLineEdit::Password);
        setContextMenuPolicy(Qt::NoContextMenu);
        setAcceptDrops(false);
        setDragEnabled(false);
    }

    // One mask character per typed character.
    void Refresh() {
        const auto count = qsizetype(secret_.Characters());
        if (text().size() != count)
            setText(QString(count, QLatin1Char('*')));
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->ignore();  // the dialog's OK and Cancel
            return;
        case Qt::Key_Backspace:
            secret_.RemoveLastCharacter();
            break;
        case Qt::Key_U:  // the terminal's "kill line"
            if (event->modifiers() & Qt::ControlModifier) {
                secret_.Wipe();
                break;
            }
            [[fallthrough]];
        default:
            if (isEnabled())
                Type(event->text());
            break;
        }
        Refresh();
        event->accept();
    }

    void inputMethodEvent(QInputMethodEvent* event) override {
        // Only what the input method commits; its preedit text is not shown.
        if (isEnabled())
            Type(event->commitString());
        Refresh();
        event->accept();
    }

    void mousePressEvent(QMouseEvent* event) override {
        setFocus(Qt::MouseFocusReason);
        event->accept();
    }
    void mouseReleaseEvent(QMouseEvent* event) override { event->accept(); }
    void mouseDoubleClickEvent(QMouseEvent* event) override { event->accept(); }
    void mouseMoveEvent(QMouseEvent* event) override { event->accept(); }

private:
    // Appends the printable characters of `text` (control characters are keys, not text).
    void Type(const QString& text) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            char32_t c = text.at(i).unicode();
            if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
                ++i;
            }
            if (c < 0x20 || (c >= 0x7F && c < 0xA0))
                continue;
            if (!secret_.AppendCharacter(c))
                break;  // full: the rest is not taken
        }
    }

    LockedSecret& secret_;
};

} // namespace

std::optional<bool> QtPasswordPrompt::Verify() {
    // Declared first, so it outlives the field that writes into it and the check that reads it.
    LockedSecret secret;

    PasswordDialog dialog;
    Qt::WindowFlags flags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint;
    if (bypassWindowManager_)
        flags |= Qt::X11BypassWindowManagerHint;  // above the show, which bypasses it too
    dialog.setWindowFlags(flags);
    dialog.setWindowTitle(QStringLiteral("Screen Saver"));
    dialog.setObjectName(QStringLiteral("PasswordDialog"));

    auto* layout = new QVBoxLayout(&dialog);
    auto* prompt = new QLabel(QStringLiteral("This screen saver is password protected.\nType your password:"), &dialog);
    auto* field = new PasswordField(secret, &dialog);
    field->setObjectName(QStringLiteral("Password"));
    field->setMinimumWidth(260);
    auto* status = new QLabel(&dialog);
    status->setObjectName(QStringLiteral("Status"));
    status->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(prompt);
    layout->addWidget(field);
    layout->addWidget(status);
    layout->addWidget(buttons);

    // This question's one try has failed: it closes once the pause is over.
    bool failedHere = false;
    bool paused = false;
    const auto refresh = [&] {
        if (dialog.checking)
            return;
        const auto now = Time();
        if (now < nextTry_) {
            const auto left = std::chrono::ceil<std::chrono::seconds>(nextTry_ - now);
            if (!paused) {
                paused = true;
                field->setEnabled(false);
                ok->setEnabled(false);
            }
            status->setText(lastReason_ + QStringLiteral(" You can try again in %1 s.").arg(left.count()));
            return;
        }
        if (failedHere) {
            dialog.done(kRefused);
            return;
        }
        status->setText(lastReason_);
        if (paused || !field->isEnabled()) {
            paused = false;
            field->setEnabled(true);
            ok->setEnabled(true);
            field->setFocus();
        }
    };
    // The countdown, and the end of the pause.
    QTimer ticker(&dialog);
    ticker.setInterval(200);
    QObject::connect(&ticker, &QTimer::timeout, &dialog, refresh);

    const auto finished = [&](const PasswordCheckResult& result) {
        dialog.checking = false;
        buttons->setEnabled(true);
        field->Refresh();
        if (result.Passes()) {
            failedTries_ = 0;
            nextTry_ = {};
            lastReason_.clear();
            if (result.verdict == PasswordVerdict::PassedButExpired)
                std::fprintf(stderr, "vorlandite: %s; the show ends, change the password soon\n", result.reason.c_str());
            dialog.done(kPassed);
            return;
        }
        failedTries_ = std::min(failedTries_ + 1, 1000);
        nextTry_ = Time() + PauseAfterFailedTries(failedTries_);
        const std::string reason = result.reason.empty() ? "The password was not accepted." : result.reason;
        lastReason_ = QString::fromStdString(reason);
        std::fprintf(stderr, "vorlandite: %s\n", reason.c_str());
        failedHere = true;
        refresh();
        if (OnFailed)
            OnFailed(dialog);
    };

    // The check runs on a thread of its own: the system may take seconds over a wrong password,
    // and the show behind the dialog must go on painting meanwhile.
    std::thread checker;
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        if (dialog.checking || failedHere || Time() < nextTry_)
            return;  // one try per question, none during the pause
        dialog.checking = true;
        field->setEnabled(false);  // no key reaches the buffer while the check reads it
        buttons->setEnabled(false);
        status->setText(QStringLiteral("Checking the password..."));
        checker = std::thread([this, &secret, &dialog, &finished] {
            PasswordCheckResult result{PasswordVerdict::CannotCheck,
                                       "The password could not be checked: no memory to hold it"};
            try {
                if (secret.Usable())
                    result = check_(secret);
            } catch (const std::exception& error) {  // no answer is no pass, and no crash either
                result = {PasswordVerdict::CannotCheck, std::string("The password could not be checked: ") + error.what()};
            }
            secret.Wipe();
            QMetaObject::invokeMethod(
                &dialog, [&finished, result = std::move(result)] { finished(result); }, Qt::QueuedConnection);
        });
    });

    dialog.adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        dialog.move(screen->geometry().center() - dialog.rect().center());
    QTimer::singleShot(0, &dialog, [&] {
        dialog.raise();
        dialog.activateWindow();
        refresh();  // a question asked during a pause starts waiting
        field->setFocus();
        ticker.start();
        if (OnShown)
            OnShown(dialog);
    });
    const int outcome = dialog.exec();
    ticker.stop();
    if (checker.joinable())
        checker.join();
    secret.Wipe();
    return outcome == kPassed;
}

} // namespace vorlandite::platform
