#include "e2e/XSession.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vorlandite::testing {

namespace {

// The test's requests may name windows that are already gone; that is an answer, not a crash.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

} // namespace

std::string XvfbServer::FindBinary() {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string candidate = (dir.empty() ? "." : dir) + "/Xvfb";
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

bool XvfbServer::Start(const std::string& screen) {
    const std::string binary = FindBinary();
    if (binary.empty()) {
        error_ = "no Xvfb";
        return false;
    }
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        error_ = "pipe";
        return false;
    }
    const std::string fd = std::to_string(pipeFds[1]);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::close(pipeFds[0]);
        const int devnull = ::open("/dev/null", O_RDWR);
        ::dup2(devnull, 0);
        ::dup2(devnull, 1);
        ::dup2(devnull, 2);
        ::execl(binary.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
                "tcp", "-noreset", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    // The server writes its display number once it accepts connections.
    std::string number;
    char c = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    ::fcntl(pipeFds[0], F_SETFL, O_NONBLOCK);
    while (std::chrono::steady_clock::now() < deadline) {
        const ssize_t got = ::read(pipeFds[0], &c, 1);
        if (got == 1) {
            if (c == '\n')
                break;
            number += c;
        } else if (got == 0) {
            break;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ::close(pipeFds[0]);
    if (number.empty()) {
        error_ = "Xvfb gave no display number";
        return false;
    }
    displayName_ = ":" + number;
    display_ = XOpenDisplay(displayName_.c_str());
    if (!display_) {
        error_ = "cannot connect to " + displayName_;
        return false;
    }
    XSetErrorHandler(IgnoreXError);
    return true;
}

XvfbServer::~XvfbServer() {
    if (display_)
        XCloseDisplay(display_);
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::vector<std::string>& environment) {
    char name[] = "/tmp/vorlandite-e2e-out-XXXXXX";
    const int outFd = ::mkstemp(name);
    if (outFd < 0)
        return false;
    outputPath_ = name;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(outFd, 1);
        ::dup2(outFd, 2);
        const int devnull = ::open("/dev/null", O_RDONLY);
        ::dup2(devnull, 0);
        for (const auto& e : environment)
            ::putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(outFd);
    return pid_ > 0;
}

bool ChildProcess::Running() {
    if (pid_ <= 0)
        return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_)
        return true;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    pid_ = -1;
    return false;
}

bool ChildProcess::Signal(int signal) { return Running() && ::kill(pid_, signal) == 0; }

bool ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
    return WaitUntil([this] { return !Running(); }, timeout);
}

std::string ChildProcess::Output() const {
    std::ifstream in(outputPath_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    if (!outputPath_.empty())
        ::unlink(outputPath_.c_str());
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

uint32_t RootPixel(Display* display, int x, int y) {
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return 0xFFFFFFFFu;
    const uint32_t pixel = uint32_t(XGetPixel(image, 0, 0)) & 0x00FFFFFFu;
    XDestroyImage(image);
    return pixel;
}

uint32_t DrawablePixel(Display* display, unsigned long drawable, int x, int y) {
    XImage* image = XGetImage(display, Drawable(drawable), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return 0xFFFFFFFFu;
    const uint32_t pixel = uint32_t(XGetPixel(image, 0, 0)) & 0x00FFFFFFu;
    XDestroyImage(image);
    return pixel;
}

std::vector<WindowGeometry> ChildWindows(Display* display, unsigned long parent) {
    std::vector<WindowGeometry> result;
    Window root = 0, parentReturn = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    const Window of = parent ? Window(parent) : DefaultRootWindow(display);
    if (!XQueryTree(display, of, &root, &parentReturn, &children, &count))
        return result;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes))
            continue;
        result.push_back({children[i], attributes.x, attributes.y, attributes.width, attributes.height,
                          attributes.map_state == IsViewable});
    }
    if (children)
        XFree(children);
    return result;
}

std::optional<unsigned long> WindowProperty32(Display* display, unsigned long window, const char* name) {
    const Atom atom = XInternAtom(display, name, True);
    if (atom == 0)
        return std::nullopt;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, Window(window), atom, 0, 1, False, AnyPropertyType, &type, &format, &count,
                           &remaining, &data) != Success)
        return std::nullopt;
    std::optional<unsigned long> value;
    // Xlib hands 32-bit items over as longs.
    if (data && format == 32 && count >= 1)
        value = reinterpret_cast<unsigned long*>(data)[0];
    if (data)
        XFree(data);
    return value;
}

bool KeyboardGrabbable(Display* display) {
    const Window root = DefaultRootWindow(display);
    const bool grabbed = XGrabKeyboard(display, root, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
    if (grabbed)
        XUngrabKeyboard(display, CurrentTime);
    XSync(display, False);
    return grabbed;
}

bool PointerGrabbable(Display* display) {
    const Window root = DefaultRootWindow(display);
    const bool grabbed = XGrabPointer(display, root, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None,
                                      CurrentTime) == GrabSuccess;
    if (grabbed)
        XUngrabPointer(display, CurrentTime);
    XSync(display, False);
    return grabbed;
}

void SendDeleteWindow(Display* display, unsigned long window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = Window(window);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, Window(window), False, NoEventMask, &event);
    XSync(display, False);
}

void ResizeWindow(Display* display, unsigned long window, int width, int height) {
    XResizeWindow(display, Window(window), unsigned(width), unsigned(height));
    XSync(display, False);
}

void FakeMotion(Display* display, int x, int y) {
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XSync(display, False);
}

void FakeClick(Display* display, unsigned int button) {
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XTestFakeButtonEvent(display, button, False, CurrentTime);
    XSync(display, False);
}

void FakeKey(Display* display, const char* keysymName) {
    const KeyCode code = XKeysymToKeycode(display, XStringToKeysym(keysymName));
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    XSync(display, False);
}

unsigned long CreateMappedWindow(Display* display, int x, int y, int width, int height) {
    const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, unsigned(width),
                                              unsigned(height), 0, 0, 0);
    XMapWindow(display, window);
    XSync(display, False);
    return window;
}

void DestroyWindow(Display* display, unsigned long window) {
    XDestroyWindow(display, Window(window));
    XSync(display, False);
}

void PaintWindow(Display* display, unsigned long window, uint32_t rgb) {
    const Window target = window ? Window(window) : DefaultRootWindow(display);
    XSetWindowBackground(display, target, rgb);
    XClearWindow(display, target);
    XSync(display, False);
}

void FocusWindow(Display* display, unsigned long window) {
    XSetInputFocus(display, Window(window), RevertToParent, CurrentTime);
    XSync(display, False);
}

int SetMonitors(Display* display, const std::vector<MonitorPlace>& monitors, int primary) {
    const Window root = DefaultRootWindow(display);
    // The output's own monitor is listed as long as no monitor of ours includes that output, so
    // the first one takes it over.
    XRRScreenResources* resources = XRRGetScreenResources(display, root);
    const RROutput output = resources && resources->noutput > 0 ? resources->outputs[0] : 0;
    if (resources)
        XRRFreeScreenResources(resources);
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const bool takesOutput = i == 0 && output != 0;
        XRRMonitorInfo* monitor = XRRAllocateMonitor(display, takesOutput ? 1 : 0);
        if (takesOutput)
            monitor->outputs[0] = output;
        const std::string name = "TEST-" + std::to_string(i);
        monitor->name = XInternAtom(display, name.c_str(), False);
        monitor->primary = int(i) == primary;
        monitor->automatic = False;
        monitor->x = monitors[i].x;
        monitor->y = monitors[i].y;
        monitor->width = monitors[i].width;
        monitor->height = monitors[i].height;
        monitor->mwidth = monitors[i].width * 254 / 960;  // about 96 dpi
        monitor->mheight = monitors[i].height * 254 / 960;
        XRRSetMonitor(display, root, monitor);
        XRRFreeMonitors(monitor);
    }
    XSync(display, False);
    int reported = 0;
    XRRMonitorInfo* listed = XRRGetMonitors(display, root, False, &reported);
    if (listed)
        XRRFreeMonitors(listed);
    return reported;
}

} // namespace vorlandite::testing
