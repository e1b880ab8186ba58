// vorlandite-engine: the screensaver engine. A copy of it with a payload appended is a
// screensaver; the run mode comes from its file name and command line (and, for a show inside a
// screensaver host's window, $XSCREENSAVER_WINDOW).

#include "app/RunMode.h"
#include "app/StartupReading.h"
#include "app/TSSWindow.h"
#include "platform/FlashControl.h"
#include "platform/PlatformPaths.h"
#include "platform/FileRegistry.h"
#include "platform/ScreenSaverPassword.h"
#include "platform/qt/QtPasswordPrompt.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/qt/TerminationSignals.h"
#include "platform/CombinedScreenSaverInhibitor.h"
#include "platform/qt/DBusScreenSaverInhibitor.h"
#include "platform/qt/X11Desktop.h"
#include "platform/qt/X11HostScreenshot.h"
#include "platform/qt/X11InputGrab.h"

#include <QApplication>

#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// Pictures are large (a full-HD frame is 8 MB) and the show makes and drops them all the time:
// its start fills five or six before the first item is on screen, every transition three more.
// Memory the kernel hands out fresh costs a page fault per 4 KiB page when it is first written,
// which on a virtual machine takes longer than drawing into it (about 20 ms for a full-HD frame,
// most of the start-up). So large blocks come from the heap instead of mappings of their own,
// freed memory stays in the process for the next picture, and the first stretch of the heap is
// asked to be backed by huge pages, which the kernel then faults in 2 MB at a time.
void KeepPictureMemoryWarm() {
    constexpr std::size_t kMiB = std::size_t(1) << 20;
    constexpr std::size_t kBlock = 24 * kMiB;    // three full-HD frames
    constexpr std::size_t kReserve = 96 * kMiB;  // a show's pictures, a transition's surfaces
    constexpr std::size_t kHugePage = 2 * kMiB;
    ::mallopt(M_MMAP_THRESHOLD, int(32 * kMiB));  // the largest the allocator allows
    ::mallopt(M_TRIM_THRESHOLD, int(256 * kMiB));
    std::vector<void*> blocks;
    for (std::size_t reserved = 0; reserved < kReserve; reserved += kBlock) {
        void* block = std::malloc(kBlock);
        if (!block)
            break;
        blocks.push_back(block);
        // Each block on its own, whole huge pages only: nothing but the heap is marked.
        const auto first = (reinterpret_cast<uintptr_t>(block) + kHugePage - 1) & ~(kHugePage - 1);
        const auto last = (reinterpret_cast<uintptr_t>(block) + kBlock) & ~(kHugePage - 1);
        if (last > first)
            (void)::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
    // Given back to the heap, untouched: no memory is used until a picture lands there.
    for (void* block : blocks)
        std::free(block);
}

} // namespace

int main(int argc, char** argv) {
    namespace app = vorlandite::app;
    namespace platform = vorlandite::platform;

    app::NoteTiming("main");
    // A host may end its saver at any moment, also while it starts.
    platform::TerminationSignals::CatchEarly();
    KeepPictureMemoryWarm();

    // Arguments as the 8-bit strings the command line carried.
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);

    // The version, and the Flash runtime this copy would load: no display needed.
    if (arguments.size() == 1 && arguments[0] == "--version") {
        const auto runtime = platform::FindFlashRuntime();
        std::printf("vorlandite-engine %s\nFlash runtime: %s\n", VORLANDITE_VERSION,
                    runtime ? runtime->c_str() : "none");
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }

    // The Flash runtime's browser engine shares graphics contexts, which can only be asked for
    // before the application object exists; only a show that may play Flash asks.
    // `vorlandite play` runs this engine on another file's payload, as if the engine were that
    // file: the payload, its items and the ".EXE" rule all come from the file it names. Taken out
    // of the environment, so nothing this engine starts inherits it.
    std::string payloadFile;
    if (const char* named = std::getenv("VORLANDITE_PAYLOAD_FILE"); named && *named)
        payloadFile = named;
    ::unsetenv("VORLANDITE_PAYLOAD_FILE");
    const std::string ownFile = payloadFile.empty() ? platform::OwnExecutablePath() : payloadFile;
    const app::RunModeDecision decision = app::DecideRunMode(ownFile, arguments, std::getenv("XSCREENSAVER_WINDOW"));
    const bool hosted = decision.mode == app::RunMode::HostedShow;
    if ((decision.mode == app::RunMode::Show || hosted) && platform::FlashRuntimeInstalled() &&
        app::PayloadHasFlashItems(ownFile))
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Screen Saver"));
    app::NoteTiming("application");
    const std::string engineFile =
        payloadFile.empty() ? QCoreApplication::applicationFilePath().toStdString() : payloadFile;

    // Folders of engines that ended without cleaning up (killed, crashed) go now.
    platform::RemoveStaleTempFolders();

    platform::FileRegistry registry(platform::DefaultUserRegistryPath());
    platform::QtMessageBox windowMessageBox;
    platform::StderrMessageBox stderrMessageBox;
    platform::X11ScreenSaverInhibitor x11Inhibitor;
    platform::NoScreenSaverInhibitor noInhibitor;

    // The X11 services only where the windows are X11 windows (not offscreen or Wayland).
    const bool onX11 = QGuiApplication::platformName() == QStringLiteral("xcb");
    // A hosted show opens no window of its own, a message box included.
    app::EngineServices services{registry, hosted ? static_cast<platform::MessageBox&>(stderrMessageBox)
                                                  : static_cast<platform::MessageBox&>(windowMessageBox)};
    // The X server's own screensaver and the session's (org.freedesktop.ScreenSaver) are held off
    // while a show runs; a hosted show holds off nothing, its host is the screensaver.
    platform::DBusScreenSaverInhibitor sessionInhibitor("Vorlandite", "A slideshow is running");
    platform::CombinedScreenSaverInhibitor showInhibitor({&x11Inhibitor, &sessionInhibitor});
    services.inhibitor = hosted  ? static_cast<platform::ScreenSaverInhibitor*>(&noInhibitor)
                         : onX11 ? static_cast<platform::ScreenSaverInhibitor*>(&showInhibitor)
                                 : &sessionInhibitor;
    services.windowManagerRunning = !onX11 || platform::X11WindowManagerRunning();
    // The user's login password, asked above the show when the desktop's settings want it.
    platform::QtPasswordPrompt password({}, !services.windowManagerRunning);
    services.password = &password;
    platform::X11InputGrab inputGrab;
    std::unique_ptr<platform::X11WindowWatch> hostWatch;
    if (onX11) {
        services.inputGrab = &inputGrab;
        services.windowExists = [](uint64_t window) { return platform::X11WindowExists(window); };
        if (hosted && decision.hostWindow) {
            services.hostScreenshot = [window = *decision.hostWindow] { return platform::X11HostScreenshot(window); };
            hostWatch = std::make_unique<platform::X11WindowWatch>(*decision.hostWindow);
            services.hostWindowSize = [&hostWatch]() -> std::optional<QSize> {
                if (auto size = hostWatch->Size())
                    return QSize(size->width, size->height);
                return std::nullopt;
            };
        }
    }

    int status = 0;
    {
        app::TSSWindow window(services, engineFile, arguments);
        // A host ends its saver with SIGTERM, a terminal with SIGINT or SIGHUP: the program ends
        // in order, giving back what it changed.
        platform::TerminationSignals terminationSignals([&window](int) { window.Terminate(); });
        window.FormCreate();
        app::NoteTiming("event-loop");
        status = application.exec();
        app::NoteTiming("event-loop-left");
    }
    app::NoteTiming("window-gone");
    platform::RemoveTempFolder();
    app::NoteTiming("exit");
    return status;
}
