// vorlandite-engine: the screensaver engine. A copy of it with a payload appended is a
// screensaver; the run mode comes from its file name and command line.

#include "app/RunMode.h"
#include "app/StartupReading.h"
#include "app/TSSWindow.h"
#include "platform/FlashControl.h"
#include "platform/PlatformPaths.h"
#include "platform/FileRegistry.h"
#include "platform/ScreenSaverPassword.h"
#include "platform/qt/QtPasswordPrompt.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/qt/X11Desktop.h"

#include <QApplication>

int main(int argc, char** argv) {
    // Arguments as the 8-bit strings the command line carried.
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);

    // The Flash runtime's browser engine shares graphics contexts, which can only be asked for
    // before the application object exists; only a full-screen show that may play Flash asks.
    const std::string ownFile = vorlandite::platform::OwnExecutablePath();
    if (vorlandite::app::DecideRunMode(ownFile, arguments).mode == vorlandite::app::RunMode::Show &&
        vorlandite::platform::FlashRuntimeInstalled() && vorlandite::app::PayloadHasFlashItems(ownFile))
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Screen Saver"));
    const std::string engineFile = QCoreApplication::applicationFilePath().toStdString();

    vorlandite::platform::FileRegistry registry(vorlandite::platform::DefaultUserRegistryPath());
    vorlandite::platform::QtMessageBox messageBox;
    vorlandite::platform::X11ScreenSaverInhibitor x11Inhibitor;
    vorlandite::platform::NoScreenSaverInhibitor noInhibitor;

    // The X11 services only where the windows are X11 windows (not offscreen or Wayland).
    const bool onX11 = QGuiApplication::platformName() == QStringLiteral("xcb");
    vorlandite::app::EngineServices services{registry, messageBox};
    services.inhibitor = onX11 ? static_cast<vorlandite::platform::ScreenSaverInhibitor*>(&x11Inhibitor) : &noInhibitor;
    services.windowManagerRunning = !onX11 || vorlandite::platform::X11WindowManagerRunning();
    // The user's login password, asked above the show when the desktop's settings want it.
    vorlandite::platform::QtPasswordPrompt password({}, !services.windowManagerRunning);
    services.password = &password;
    if (onX11)
        services.windowExists = [](uint64_t window) { return vorlandite::platform::X11WindowExists(window); };

    vorlandite::app::TSSWindow window(services, engineFile, arguments);
    window.FormCreate();
    return application.exec();
}
