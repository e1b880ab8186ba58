// vorlandite-engine: the screensaver engine. A copy of it with a payload appended is a
// screensaver; the run mode comes from its file name and command line.

#include "app/TSSWindow.h"
#include "platform/FileRegistry.h"
#include "platform/qt/QtMessageBox.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Screen Saver"));

    // Arguments as the 8-bit strings the command line carried.
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    const std::string engineFile = QCoreApplication::applicationFilePath().toStdString();

    vorlandite::platform::FileRegistry registry(vorlandite::platform::DefaultUserRegistryPath());
    vorlandite::platform::QtMessageBox messageBox;
    vorlandite::app::TSSWindow window({registry, messageBox}, engineFile, arguments);
    window.FormCreate();
    return application.exec();
}
