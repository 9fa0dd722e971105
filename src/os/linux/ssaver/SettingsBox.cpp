#include "ssaver/SettingsBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QWindow>

#include <X11/Xlib.h>

#include <cstdio>

namespace ssaver {

namespace {

int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

struct TopLevel {
    Window Id = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
};

// The top-level window that holds `window`: the nearest ancestor a window manager took as its
// client (it carries WM_STATE), else the ancestor just below the root.
TopLevel TopLevelOf(unsigned long window) {
    TopLevel top;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return top;
    XSetErrorHandler(ignoreXError);
    const Atom wmState = XInternAtom(display, "WM_STATE", False);
    Window current = window;
    Window below = 0;
    for (int depth = 0; depth < 64 && current != 0; ++depth) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, current, wmState, 0, 0, False, AnyPropertyType, &type,
                               &format, &items, &after, &data) == Success &&
            data != nullptr)
            XFree(data);
        if (type != None) {
            below = current;
            break;
        }
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, current, &root, &parent, &children, &count))
            break;
        if (children != nullptr)
            XFree(children);
        below = current;
        if (parent == root)
            break;
        current = parent;
    }
    XWindowAttributes attributes{};
    if (below != 0 && XGetWindowAttributes(display, below, &attributes)) {
        Window child = 0;
        XTranslateCoordinates(display, below, attributes.root, 0, 0, &top.X, &top.Y, &child);
        top.Id = below;
        top.Width = attributes.width;
        top.Height = attributes.height;
    }
    XCloseDisplay(display);
    return top;
}

} // namespace

int ShowNoSettings(int& argc, char** argv, const std::string& title, unsigned long parent) {
    // The toolkit aborts without a display; say so and end instead.
    if (Display* probe = XOpenDisplay(nullptr)) {
        XCloseDisplay(probe);
    } else {
        std::fprintf(stderr, "VistrelScreenSaver: cannot open the display\n");
        return 2;
    }
    QApplication application(argc, argv);
    const QString name = QString::fromStdString(title);
    QMessageBox box(QMessageBox::Information, name,
                    QStringLiteral("%1 has no settings of its own.").arg(name), QMessageBox::Ok);
    const TopLevel top = parent != 0 ? TopLevelOf(parent) : TopLevel{};
    if (top.Id != 0) {
        box.winId();
        if (QWindow* owner = QWindow::fromWinId(static_cast<WId>(top.Id))) {
            box.windowHandle()->setTransientParent(owner);
        }
        box.adjustSize();
        box.move(top.X + (top.Width - box.width()) / 2, top.Y + (top.Height - box.height()) / 2);
    }
    box.exec();
    return 0;
}

} // namespace ssaver
