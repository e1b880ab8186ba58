#pragma once
// The engine's one main window. It exists in every run mode and becomes the full-screen show,
// the preview, or the configuration dialog. The run mode is decided once, in FormCreate.

#include "app/RunMode.h"
#include "app/StartupReading.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

namespace vorlandite::app {

class ShowSession;

struct EngineServices {
    platform::Registry& registry;
    platform::MessageBox& messageBox;
};

class TSSWindow : public QWidget {
    Q_OBJECT
public:
    TSSWindow(EngineServices services, std::string engineFilePath, std::vector<std::string> arguments);
    ~TSSWindow() override;

    // Decides the run mode and starts it. False when the mode has already ended the
    // application (password change, an unreadable payload, a refused program-mode start).
    bool FormCreate();

    // Reads the payload and the stored settings; on failure shows the payload failure message
    // and ends the application.
    bool ReadData(bool SettingsOnly);

    const RunModeDecision& Decision() const { return decision_; }
    const StartupPayload& State() const { return state_; }
    QString ApplicationTitle() const { return title_; }

    // Mode flags: set once, never cleared.
    bool SaverModeActive = false;
    bool PreviewModeActive = false;
    bool ProgramMode = false;

protected:
    void closeEvent(QCloseEvent* event) override;  // FormClose
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool StartShow();
    void StartPreview();
    bool StartConfiguration();
    void FormClose();
    void EndApplication();

    EngineServices services_;
    std::string engineFilePath_;
    std::vector<std::string> arguments_;
    RunModeDecision decision_;
    StartupPayload state_;
    QString title_ = QStringLiteral("Screen Saver");
    bool ending_ = false;
    bool closed_ = false;
    std::unique_ptr<ShowSession> show_;  // the full-screen show, while it runs
};

} // namespace vorlandite::app
