#include "ssaver/SaverWindows.h"

#include "ssaver/HackProcess.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace ssaver {

namespace {

using Clock = std::chrono::steady_clock;

// Before this the first events are the tail of whatever started the run: ignored.
constexpr auto GracePeriod = std::chrono::milliseconds(500);
// Pointer motion smaller than this (in each direction, from where it rested) is jitter.
constexpr int MotionThreshold = 5;
constexpr int ExitFailed = 1;
constexpr int ExitNoWindow = 2;

int lastXError = 0;

int RecordXError(Display*, XErrorEvent* event) {
    lastXError = event->error_code;
    return 0;
}

// The server went away: nothing can be cleaned up through it, but the hack must not stay.
int OnDisplayLost(Display*) {
    if (const pid_t group = HackGroupForEmergencies(); group > 0)
        ::kill(-group, SIGKILL);
    ::_exit(ExitFailed);
}

class DisplayConnection {
public:
    DisplayConnection() : display_(XOpenDisplay(nullptr)) {
        if (display_ != nullptr) {
            XSetErrorHandler(RecordXError);
            XSetIOErrorHandler(OnDisplayLost);
        }
    }
    ~DisplayConnection() {
        if (display_ != nullptr)
            XCloseDisplay(display_);
    }
    DisplayConnection(const DisplayConnection&) = delete;
    DisplayConnection& operator=(const DisplayConnection&) = delete;
    Display* Get() const { return display_; }

private:
    Display* display_;
};

// Waits for display input or a signal, at most `milliseconds`.
void WaitForInput(Display* display, int milliseconds) {
    if (XPending(display) > 0)
        return;
    pollfd fds[2] = {{ConnectionNumber(display), POLLIN, 0}, {SignalPipeFd(), POLLIN, 0}};
    ::poll(fds, SignalPipeFd() >= 0 ? 2 : 1, milliseconds);
}

// Names the window after the saver and its process, so tools (and people) can tell what it is.
void NameWindow(Display* display, Window window, const std::string& title) {
    XStoreName(display, window, title.c_str());
    XClassHint hint;
    char name[] = "VistrelScreenSaver";
    hint.res_name = name;
    hint.res_class = name;
    XSetClassHint(display, window, &hint);
    const unsigned long pid = static_cast<unsigned long>(::getpid());
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
}

Cursor BlankCursor(Display* display, Window window) {
    const char bits[1] = {0};
    Pixmap pixmap = XCreateBitmapFromData(display, window, bits, 1, 1);
    XColor black{};
    Cursor cursor = XCreatePixmapCursor(display, pixmap, pixmap, &black, &black, 0, 0);
    XFreePixmap(display, pixmap);
    return cursor;
}

bool GrabPointer(Display* display, Window window, Cursor cursor) {
    // Another program's grab (an open menu) may still be ending: try for a moment.
    const auto deadline = Clock::now() + std::chrono::seconds(1);
    for (;;) {
        const int result = XGrabPointer(display, window, False,
                                        ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                        GrabModeAsync, GrabModeAsync, None, cursor, CurrentTime);
        if (result == GrabSuccess)
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

int ExitCodeOfSignal(int signal) {
    return 128 + signal;
}

// Whether the run is over before any more input is read: the hack has ended (its outcome is
// ours) or a signal asks us to end; `exitCode` is then set.
bool RunIsOver(HackProcess& hack, int& exitCode) {
    if (hack.Ended()) {
        exitCode = hack.Succeeded() ? 0 : ExitFailed;
        return true;
    }
    if (const int signal = TakeSignals(); signal != 0) {
        exitCode = ExitCodeOfSignal(signal);
        return true;
    }
    return false;
}

} // namespace

int RunFullScreen(const std::string& hackPath, const std::string& title) {
    DisplayConnection connection;
    Display* display = connection.Get();
    if (display == nullptr) {
        std::fprintf(stderr, "VistrelScreenSaver: cannot open the display\n");
        return ExitNoWindow;
    }
    const int screen = DefaultScreen(display);
    const Window root = RootWindow(display, screen);
    XWindowAttributes rootAttributes{};
    XGetWindowAttributes(display, root, &rootAttributes);

    // Override-redirect: no window manager decorates, moves or stacks it.
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = BlackPixel(display, screen);
    attributes.event_mask = KeyPressMask | ButtonPressMask | PointerMotionMask |
                            VisibilityChangeMask | FocusChangeMask | StructureNotifyMask;
    const Window window =
        XCreateWindow(display, root, 0, 0, static_cast<unsigned>(rootAttributes.width),
                      static_cast<unsigned>(rootAttributes.height), 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
    NameWindow(display, window, title);
    const Cursor cursor = BlankCursor(display, window);
    XDefineCursor(display, window, cursor);
    XMapRaised(display, window);
    XSync(display, False);

    HackProcess hack;
    if (!hack.Start(hackPath, window)) {
        std::perror(hackPath.c_str());
        XDestroyWindow(display, window);
        XSync(display, False);
        return ExitFailed;
    }

    // The pointer is grabbed; the keyboard only gets the focus, so that keys other programs
    // hold as hot keys (F4 to end a rest) still reach them while the saver runs.
    GrabPointer(display, window, cursor);
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);

    const auto start = Clock::now();
    // Where the pointer rests; motion in the grace period moves the resting place along.
    int restX = 0;
    int restY = 0;
    {
        Window rootReturn = 0;
        Window childReturn = 0;
        int x = 0;
        int y = 0;
        unsigned mask = 0;
        XQueryPointer(display, root, &rootReturn, &childReturn, &restX, &restY, &x, &y, &mask);
    }
    int exitCode = 0;
    bool done = false;
    while (!done) {
        if (RunIsOver(hack, exitCode))
            break;
        while (!done && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            const bool settled = Clock::now() - start >= GracePeriod;
            switch (event.type) {
            case KeyPress:
            case ButtonPress:
                done = settled;
                break;
            case MotionNotify: {
                const int x = event.xmotion.x_root;
                const int y = event.xmotion.y_root;
                if (!settled) {
                    restX = x;
                    restY = y;
                } else {
                    done = std::abs(x - restX) >= MotionThreshold ||
                           std::abs(y - restY) >= MotionThreshold;
                }
                break;
            }
            case VisibilityNotify:
                // Something was mapped over the saver: back on top.
                if (event.xvisibility.state != VisibilityUnobscured)
                    XRaiseWindow(display, window);
                break;
            case FocusOut:
                if (event.xfocus.mode == NotifyNormal || event.xfocus.mode == NotifyWhileGrabbed)
                    XSetInputFocus(display, window, RevertToParent, CurrentTime);
                break;
            case DestroyNotify:
                if (event.xdestroywindow.window == window) {
                    exitCode = ExitFailed;
                    done = true;
                }
                break;
            default:
                break;
            }
        }
        if (!done) {
            XFlush(display);
            WaitForInput(display, 100);
        }
    }
    hack.Stop();
    XUngrabPointer(display, CurrentTime);
    XDestroyWindow(display, window);
    XFreeCursor(display, cursor);
    XSync(display, False);
    return exitCode;
}

int RunPreview(const std::string& hackPath, const std::string& title, unsigned long parentId) {
    DisplayConnection connection;
    Display* display = connection.Get();
    if (display == nullptr) {
        std::fprintf(stderr, "VistrelScreenSaver: cannot open the display\n");
        return ExitNoWindow;
    }
    const Window parent = parentId;
    lastXError = 0;
    XWindowAttributes parentAttributes{};
    // Watching the parent's structure tells us when it is resized or destroyed.
    if (!XGetWindowAttributes(display, parent, &parentAttributes) ||
        (XSelectInput(display, parent, StructureNotifyMask), XSync(display, False), lastXError)) {
        std::fprintf(stderr, "VistrelScreenSaver: no window 0x%lx\n", parentId);
        return ExitNoWindow;
    }
    const int screen = DefaultScreen(display);
    const Window child = XCreateSimpleWindow(
        display, parent, 0, 0, static_cast<unsigned>(std::max(1, parentAttributes.width)),
        static_cast<unsigned>(std::max(1, parentAttributes.height)), 0, BlackPixel(display, screen),
        BlackPixel(display, screen));
    XSelectInput(display, child, StructureNotifyMask);
    NameWindow(display, child, title);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, child, &deleteWindow, 1);
    XMapWindow(display, child);
    XSync(display, False);
    if (lastXError != 0) {
        std::fprintf(stderr, "VistrelScreenSaver: no preview in window 0x%lx\n", parentId);
        return ExitNoWindow;
    }

    HackProcess hack;
    if (!hack.Start(hackPath, child)) {
        std::perror(hackPath.c_str());
        XDestroyWindow(display, child);
        XSync(display, False);
        return ExitFailed;
    }

    bool childAlive = true;
    bool done = false;
    int exitCode = 0;
    while (!done) {
        if (RunIsOver(hack, exitCode))
            break;
        while (!done && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            switch (event.type) {
            case DestroyNotify:
                if (event.xdestroywindow.window == child) {
                    childAlive = false;
                    done = true;
                } else if (event.xdestroywindow.window == parent) {
                    done = true;
                }
                break;
            case ClientMessage:
                if (event.xclient.window == child && event.xclient.message_type == protocols &&
                    event.xclient.format == 32 &&
                    static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow)
                    done = true;
                break;
            case ConfigureNotify:
                if (event.xconfigure.window == parent)
                    XResizeWindow(display, child,
                                  static_cast<unsigned>(std::max(1, event.xconfigure.width)),
                                  static_cast<unsigned>(std::max(1, event.xconfigure.height)));
                break;
            default:
                break;
            }
        }
        if (!done) {
            XFlush(display);
            WaitForInput(display, 100);
        }
    }
    hack.Stop();
    // Gone already when its parent was destroyed; the error handler absorbs that.
    if (childAlive)
        XDestroyWindow(display, child);
    XSync(display, False);
    return exitCode;
}

} // namespace ssaver
