// The Flash runtime as the show meets it, under a real X server (run it under Xvfb): the show
// starts (the runtime is prepared, as a show with Flash items does), and after a lead time (a
// picture's display time; --lead MS, 2000 by default) Flash items follow one another (--items N,
// 20 by default), back to back or --gap MS apart (other items between them). For each, the time
// from the control's creation (the item's start) to the movie's stage being on the screen, read
// back from the X server; and the memory of the engine process and of the browser's helper
// processes (resident, proportional, and the helpers' own) before the runtime and after item 1
// and every 5th.
// With --lead 0 the first item comes as the show starts and waits for the player's core to be
// compiled; with --no-prepare the runtime is not prepared and starts with the first movie.
//
// Without a display (no $DISPLAY) or without a Flash runtime it says so and measures nothing.

#include "platform/FlashControl.h"
#include "platform/flash/FlashPluginEntry.h"
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

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>

namespace {

using namespace vorlandite;

constexpr QRgb kStage = swf::kCrossingStageColour;

// Memory of a process in KiB (zeros when it is gone): what it has resident, its proportional
// share of the pages it maps, so the browser's processes are not counted twice for what they
// share, and what is its own alone (which, unlike the share, does not change when another
// program maps the same libraries: the figure to compare between items).
struct Memory {
    long rss = 0;
    long pss = 0;
    long own = 0;
    Memory& operator+=(const Memory& other) {
        rss += other.rss;
        pss += other.pss;
        own += other.own;
        return *this;
    }
};

Memory ProcessMemory(const std::string& pid) {
    std::ifstream status("/proc/" + pid + "/smaps_rollup");
    std::string key;
    Memory memory;
    while (status >> key) {
        if (key == "Rss:")
            status >> memory.rss;
        else if (key == "Pss:")
            status >> memory.pss;
        else if (key == "Private_Clean:" || key == "Private_Dirty:") {
            long kib = 0;
            status >> kib;
            memory.own += kib;
        }
        status.ignore(4096, '\n');
    }
    return memory;
}

// The process's descendants' memory.
Memory DescendantsMemory(const std::string& parent) {
    Memory total;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        entry.toLong(&number);
        if (!number)
            continue;
        std::ifstream stat("/proc/" + entry.toStdString() + "/stat");
        std::string pid, name, state, ppid;
        stat >> pid >> name >> state >> ppid;
        if (ppid == parent) {
            total += ProcessMemory(pid);
            total += DescendantsMemory(pid);
        }
    }
    return total;
}

double MiB(long kib) { return double(kib) / 1024.0; }

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
    int leadMs = 2000, items = 20, gapMs = 0;
    bool prepare = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-prepare") == 0)
            prepare = false;
        if (i + 1 == argc)
            break;
        if (std::strcmp(argv[i], "--lead") == 0)
            leadMs = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--items") == 0)
            items = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--gap") == 0)
            gapMs = std::max(0, std::atoi(argv[i + 1]));
    }
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
    const Memory engineBefore = ProcessMemory(self);
    const Memory helpersBefore = DescendantsMemory(self);
    platform::FlashRuntimeFactory factory(panel, *runtime);
    std::printf("flash_bench: runtime %s, %d items, the first %d ms after the show started, %d ms between items\n",
                runtime->c_str(), items, leadMs, gapMs);
    // The show starts: the runtime is prepared, and a picture stands for the lead time.
    QElapsedTimer showClock;
    showClock.start();
    platform::NoteFlashTiming("bench-show-start");
    if (prepare)
        factory.Prepare();
    const qint64 prepareMs = showClock.elapsed();
    RunUntil([] { return false; }, leadMs);
    std::printf("flash_bench: preparing the runtime took %lld ms of the UI thread\n", static_cast<long long>(prepareMs));

    std::printf("%-6s %-20s %-24s %-32s\n", "item", "start to stage (ms)", "engine RSS / PSS (MiB)",
                "helpers RSS / PSS / own (MiB)");
    for (int item = 1; item <= items; ++item) {
        QElapsedTimer clock;
        clock.start();
        platform::NoteFlashTiming("bench-item-start");
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
        platform::NoteFlashTiming("bench-item-stage");
        RunUntil([] { return false; }, 1500);  // the movie plays on, as in a show
        if (item == 1 || item % 5 == 0) {
            const Memory engine = ProcessMemory(self), helpers = DescendantsMemory(self);
            std::printf("%-6d %-20lld %8.1f / %-13.1f %8.1f / %6.1f / %-6.1f\n", item, static_cast<long long>(firstFrame),
                        MiB(engine.rss), MiB(engine.pss), MiB(helpers.rss), MiB(helpers.pss), MiB(helpers.own));
        } else {
            std::printf("%-6d %-20lld\n", item, static_cast<long long>(firstFrame));
        }
        (*control)->Stop();
        (*control)->SetVisible(false);
        (*control)->SetMovie("none");
        control->reset();
        RunUntil([&] { return ScreenPixel(window) == 0; }, 5000);
        RunUntil([] { return false; }, gapMs);  // other items between the Flash items
    }
    std::printf("flash_bench: before the runtime: engine %.1f / %.1f MiB, helpers %.1f / %.1f MiB (RSS / PSS)\n",
                MiB(engineBefore.rss), MiB(engineBefore.pss), MiB(helpersBefore.rss), MiB(helpersBefore.pss));
    QFile::remove(QString::fromStdString(movie));
    return 0;
}
