// Helper of the screen-saver end-to-end test.
//
//   SaverProbe panel              a window with a native panel (as the Options dialog's
//                                 preview panel is); prints "<panel id> <window id>" and runs
//                                 until killed
//   SaverProbe delete WINDOW      sends WM_DELETE_WINDOW to WINDOW, as a window closer would
//   SaverProbe grab-f4            holds F4 as a hot key on the root window and prints "F4" for
//                                 every press until killed
//   SaverProbe launchers FOLDER HOST
//                                 writes the launchers of the system's hacks into FOLDER
#include "os/linux/ScreenSavers.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

#include <X11/keysym.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int Panel(int& argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("SaverProbe"));
    window.resize(400, 300);
    QPalette light = window.palette();
    light.setColor(QPalette::Window, QColor(230, 230, 230));
    window.setPalette(light);
    window.setAutoFillBackground(true);
    QWidget panel(&window);
    panel.setGeometry(100, 75, 200, 150);
    QPalette white = panel.palette();
    white.setColor(QPalette::Window, Qt::white);
    panel.setPalette(white);
    panel.setAutoFillBackground(true);
    const WId panelId = panel.winId();
    window.show();
    std::printf("%lu %lu\n", static_cast<unsigned long>(panelId),
                static_cast<unsigned long>(window.winId()));
    std::fflush(stdout);
    return application.exec();
}

int Delete(const char* id) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return 1;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = std::strtoul(id, nullptr, 0);
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return sent != 0 ? 0 : 1;
}

int GrabF4() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return 1;
    const Window root = DefaultRootWindow(display);
    XGrabKey(display, XKeysymToKeycode(display, XK_F4), 0, root, False, GrabModeAsync,
             GrabModeAsync);
    XSync(display, False);
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == KeyPress) {
            std::printf("F4\n");
            std::fflush(stdout);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "panel") == 0)
        return Panel(argc, argv);
    if (argc >= 3 && std::strcmp(argv[1], "delete") == 0)
        return Delete(argv[2]);
    if (argc >= 2 && std::strcmp(argv[1], "grab-f4") == 0)
        return GrabF4();
    if (argc >= 4 && std::strcmp(argv[1], "launchers") == 0) {
        os::RefreshScreenSaverLaunchers(os::DefaultHackFolders(), argv[2], argv[3]);
        return 0;
    }
    std::fprintf(stderr, "usage: SaverProbe panel | delete WINDOW | grab-f4 | launchers FOLDER "
                         "HOST\n");
    return 2;
}
