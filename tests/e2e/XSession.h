#pragma once
// A private X server for one end-to-end test, and what the test does on it: start the engine as
// a child process, look at the root window's pixels and window tree, and type and move the
// mouse through the XTEST extension.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Xlib stays out of the tests' own files: its macros (Status, None, Bool) collide with ours.
struct _XDisplay;
using Display = _XDisplay;

namespace vorlandite::testing {

// Xvfb on a display number it picks itself (-displayfd), killed when the object goes.
class XvfbServer {
public:
    // Empty when no Xvfb binary is on the PATH.
    static std::string FindBinary();

    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // screen: "WxHxD". False (with a reason in Error()) when the server did not come up.
    bool Start(const std::string& screen);
    const std::string& DisplayName() const { return displayName_; }
    Display* Connection() const { return display_; }
    const std::string& Error() const { return error_; }

private:
    int pid_ = -1;
    std::string displayName_;
    Display* display_ = nullptr;
    std::string error_;
};

// A child process that runs while the test works beside it; killed when the object goes.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // `environment` entries ("NAME=value") are added to the current environment. Output goes to
    // a file that Output() reads.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment);
    // True once the process has ended; its exit code (or -signal) in ExitCode().
    bool WaitForExit(std::chrono::milliseconds timeout);
    bool Running();
    int ExitCode() const { return exitCode_; }
    // Sends `signal` while the process runs; false when it has ended.
    bool Signal(int signal);
    int Pid() const { return pid_; }
    std::string Output() const;

private:
    int pid_ = -1;
    int exitCode_ = -1;
    std::string outputPath_;
};

// Polls `condition` every 50 ms until it holds or `timeout` has passed.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// The root window's pixel as 0x00RRGGBB (a 24-bit visual assumed).
uint32_t RootPixel(Display* display, int x, int y);
// The same for any window or pixmap; 0xFFFFFFFF when it cannot be read.
uint32_t DrawablePixel(Display* display, unsigned long drawable, int x, int y);

struct WindowGeometry {
    unsigned long id = 0;
    int x = 0, y = 0;
    int width = 0, height = 0;
    bool mapped = false;
};
// The children of `parent` (root when 0), bottom to top.
std::vector<WindowGeometry> ChildWindows(Display* display, unsigned long parent = 0);

// The first value of the 32-bit property `name` (CARDINAL, PIXMAP, WINDOW, ...) of `window`;
// nullopt when the window, the atom or the property is missing or has another format.
std::optional<unsigned long> WindowProperty32(Display* display, unsigned long window, const char* name);

void FakeMotion(Display* display, int x, int y);
// Press and release of pointer button 1 (left) to 5 (4 and 5: the wheel).
void FakeClick(Display* display, unsigned int button);
// Press and release of the key an X keysym name names ("a", "Escape").
void FakeKey(Display* display, const char* keysymName);

// A plain mapped top-level window, as a desktop's preview area would be.
unsigned long CreateMappedWindow(Display* display, int x, int y, int width, int height);
void DestroyWindow(Display* display, unsigned long window);
// Gives `window` (root when 0) a background of one colour (0xRRGGBB, a 24-bit visual assumed)
// and repaints it.
void PaintWindow(Display* display, unsigned long window, uint32_t rgb);
// Whether another client (this test) could take the keyboard / the pointer now: a grab is
// tried on the root window and let go at once.
bool KeyboardGrabbable(Display* display);
bool PointerGrabbable(Display* display);
// What a window manager sends when the user closes a window (Alt+F4): WM_DELETE_WINDOW.
void SendDeleteWindow(Display* display, unsigned long window);
// Resizes a window, as a screensaver host does when the monitors change.
void ResizeWindow(Display* display, unsigned long window, int width, int height);
// Gives the keyboard focus to `window`, as another application taking over would.
void FocusWindow(Display* display, unsigned long window);

struct MonitorPlace {
    int x = 0, y = 0, width = 0, height = 0;
};
// RandR monitors at the given places, monitors[primary] the primary one; returns the number of
// monitors the server reports afterwards.
int SetMonitors(Display* display, const std::vector<MonitorPlace>& monitors, int primary);

} // namespace vorlandite::testing
