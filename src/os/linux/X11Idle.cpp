#include "os/linux/X11Idle.h"

#include <X11/Xlib.h>

#include <X11/extensions/scrnsaver.h>

#include <mutex>

namespace os {

namespace {

// One connection, opened on first use and kept: asking is then a single round trip.
std::mutex idleMutex;
Display* idleDisplay = nullptr;
bool idleAvailable = false;
bool idleConnectionLost = false;

void OnConnectionLost(Display* /*display*/, void* /*data*/) {
    // Returning instead of exiting; the next question opens a new connection.
    idleConnectionLost = true;
}

bool Connect() {
    if (idleDisplay != nullptr && idleConnectionLost) {
        XCloseDisplay(idleDisplay);
        idleDisplay = nullptr;
    }
    if (idleDisplay != nullptr)
        return idleAvailable;
    idleDisplay = XOpenDisplay(nullptr);
    if (idleDisplay == nullptr)
        return false;
    idleConnectionLost = false;
    XSetIOErrorExitHandler(idleDisplay, &OnConnectionLost, nullptr);
    int eventBase = 0;
    int errorBase = 0;
    idleAvailable = XScreenSaverQueryExtension(idleDisplay, &eventBase, &errorBase) != 0;
    return idleAvailable;
}

} // namespace

bool QueryX11IdleMs(std::uint64_t& idleMs) {
    std::lock_guard lock(idleMutex);
    if (!Connect())
        return false;
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    if (info == nullptr)
        return false;
    bool ok = XScreenSaverQueryInfo(idleDisplay, DefaultRootWindow(idleDisplay), info) != 0 &&
              !idleConnectionLost;
    if (ok)
        idleMs = info->idle;
    XFree(info);
    return ok;
}

} // namespace os
