// A stand-in screen saver in preview mode: it makes a window inside the window it is given,
// as a screen saver does for " /P <window>", lets a drawing program (an xscreensaver hack,
// which takes -window-id) draw in it, and ends when its window is asked to close
// (WM_DELETE_WINDOW) or destroyed, or when the drawing program ends.
//
//   vistrel_preview_window PARENT_WINDOW PROGRAM [ARGUMENTS...]
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The parent or our window may go at any moment; Xlib must not end the program for that.
int IgnoreXError(Display* /*display*/, XErrorEvent* /*error*/) {
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PARENT_WINDOW PROGRAM [ARGUMENTS...]\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return 1;
    XSetErrorHandler(IgnoreXError);
    const Window parent = std::strtoul(argv[1], nullptr, 0);
    XWindowAttributes attributes;
    if (parent == 0 || XGetWindowAttributes(display, parent, &attributes) == 0)
        return 1;
    const Window window =
        XCreateSimpleWindow(display, parent, 0, 0, static_cast<unsigned>(attributes.width),
                            static_cast<unsigned>(attributes.height), 0, 0, 0);
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    XSync(display, False);

    const std::string windowId = std::to_string(window);
    const pid_t program = fork();
    if (program == 0) {
        std::vector<char*> args(argv + 2, argv + argc);
        args.push_back(const_cast<char*>("-window-id"));
        args.push_back(const_cast<char*>(windowId.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }

    bool destroyed = false;
    bool done = program < 0;
    while (!done) {
        while (!done && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage &&
                static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow)
                done = true;
            if (event.type == DestroyNotify && event.xdestroywindow.window == window)
                done = destroyed = true;
        }
        int status = 0;
        if (!done && waitpid(program, &status, WNOHANG) == program)
            done = true;
        if (!done) {
            pollfd fd{ConnectionNumber(display), POLLIN, 0};
            poll(&fd, 1, 100);
        }
    }
    if (program > 0) {
        kill(program, SIGTERM);
        waitpid(program, nullptr, 0);
    }
    if (!destroyed)
        XDestroyWindow(display, window);
    XCloseDisplay(display);
    return 0;
}
