// The Flash runtime as the show meets it, under a real X server (run it under Xvfb): for each of
// a few Flash items in a row, the time from the control's creation (the item's start) to the
// movie's stage being on the screen, read back from the X server; and the memory the runtime
// takes: the engine process and the browser's helper processes, before the first movie and with
// the runtime loaded. The first item also pays for loading the plugin and starting the browser.
//
// Without a display (no $DISPLAY) or without a Flash runtime it says so and measures nothing.

#include "platform/FlashControl.h"
#include "platform/qt/FlashRuntimeLoader.h"
#include "formats/swf/SwfWriter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>

namespace {

using namespace vorlandite;

constexpr int kItems = 5;
constexpr QRgb kStage = swf::kCrossingStageColour;

// Memory of a process in KiB (0 when it is gone): its proportional share of the pages it maps,
// so the browser's processes are not counted twice for what they share.
long ResidentKiB(const std::string& pid) {
    std::ifstream status("/proc/" + pid + "/smaps_rollup");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "Pss:") {
            status >> value;
            return value;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

// The process's descendants' resident memory in KiB.
long DescendantsKiB(const std::string& parent) {
    long total = 0;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        entry.toLong(&number);
        if (!number)
            continue;
        std::ifstream stat("/proc/" + entry.toStdString() + "/stat");
        std::string pid, name, state, ppid;
        stat >> pid >> name >> state >> ppid;
        if (ppid == parent)
            total += ResidentKiB(pid) + DescendantsKiB(pid);
    }
    return total;
}

QRgb ScreenPixel(QWidget& window) {
    const QImage shot = window.screen()->grabWindow(window.winId(), 200, 20, 1, 1).toImage();
    return shot.isNull() ? 0 : shot.pixel(0, 0) & 0xFFFFFF;
}

// Runs the event loop until `done` holds (checked every 5 ms) or `limitMs` has passed.
void RunUntil(const std::function<bool()>& done, int limitMs) {
    QEventLoop loop;
    QTimer poll;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done() || clock.elapsed() >= limitMs)
            loop.quit();
    });
    poll.start(5);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::puts("flash_bench: no display; run it under Xvfb");
        return 0;
    }
    const auto runtime = platform::FindFlashRuntime();
    if (!runtime) {
        std::puts("flash_bench: no Flash runtime in this build");
        return 0;
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);

    const std::string movie = QDir::temp().filePath(QStringLiteral("flash_bench.swf")).toStdString();
    {
        const auto recipe = swf::CrossingRectangleRecipe(400, 300, 10, 10);
        const auto bytes = swf::WriteSwf(recipe);
        std::ofstream(movie, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }

    QWidget window;
    window.setGeometry(0, 0, 400, 300);
    window.setStyleSheet(QStringLiteral("background: black"));
    window.show();
    QWidget panel(&window);
    panel.setGeometry(0, 0, 400, 300);
    panel.setAutoFillBackground(true);
    panel.show();
    RunUntil([&] { return ScreenPixel(window) == 0; }, 2000);

    const std::string self = std::to_string(getpid());
    const long engineBefore = ResidentKiB(self);
    const long helpersBefore = DescendantsKiB(self);
    platform::TFlashRuntimeFactory factory(panel, *runtime);
    std::printf("flash_bench: runtime %s\n", runtime->c_str());
    std::printf("%-6s %-22s %-14s %-14s\n", "item", "start to stage (ms)", "engine PSS (MiB)", "helpers PSS (MiB)");
    for (int item = 0; item < kItems; ++item) {
        QElapsedTimer clock;
        clock.start();
        auto control = factory.CreateFlashControl();
        if (!control) {
            std::printf("flash_bench: %s\n", control.message().c_str());
            return 1;
        }
        (*control)->SetBounds(0, 0, 400, 300);
        (*control)->SetVisible(true);
        (*control)->SetMovie(movie);
        (*control)->Play();
        RunUntil([&] { return ScreenPixel(window) == kStage; }, 30000);
        const qint64 firstFrame = clock.elapsed();
        std::printf("%-6d %-22lld %-14.1f %-14.1f\n", item, static_cast<long long>(firstFrame),
                    double(ResidentKiB(self)) / 1024.0, double(DescendantsKiB(self)) / 1024.0);
        RunUntil([] { return false; }, 1500);  // the movie plays on, as in a show
        (*control)->Stop();
        (*control)->SetMovie("none");
        control->reset();
        RunUntil([&] { return ScreenPixel(window) == 0; }, 5000);
    }
    std::printf("flash_bench: before the runtime: engine %.1f MiB, helpers %.1f MiB\n", double(engineBefore) / 1024.0,
                double(helpersBefore) / 1024.0);
    QFile::remove(QString::fromStdString(movie));
    return 0;
}
