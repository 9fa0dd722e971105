#include "os/linux/LinuxMonitorPower.h"

#include <X11/Xlib.h>
// After Xlib, which it builds on.
#include <X11/extensions/dpms.h>

namespace os {

struct MonitorPower::Connection {
    Display* Dpy = nullptr;
    bool Dpms = false;
    ~Connection() {
        if (Dpy != nullptr)
            XCloseDisplay(Dpy);
    }
};

MonitorPower::MonitorPower() = default;
MonitorPower::~MonitorPower() = default;

bool MonitorPower::Open() {
    if (tried_)
        return connection_ && connection_->Dpms;
    tried_ = true;
    connection_ = std::make_unique<Connection>();
    connection_->Dpy = XOpenDisplay(nullptr);
    if (connection_->Dpy == nullptr)
        return false;
    int eventBase = 0;
    int errorBase = 0;
    connection_->Dpms = DPMSQueryExtension(connection_->Dpy, &eventBase, &errorBase) &&
                        DPMSCapable(connection_->Dpy);
    return connection_->Dpms;
}

bool MonitorPower::Available() {
    return Open();
}

bool MonitorPower::Set(State state) {
    if (!Open())
        return false;
    Display* dpy = connection_->Dpy;
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    DPMSInfo(dpy, &level, &enabled);
    // Forcing a level needs DPMS switched on, as "xset dpms force off" does.
    if (!enabled)
        DPMSEnable(dpy);
    switch (state) {
    case State::On:
        level = DPMSModeOn;
        break;
    case State::Standby:
        level = DPMSModeStandby;
        break;
    case State::Off:
        level = DPMSModeOff;
        break;
    }
    DPMSForceLevel(dpy, level);
    XFlush(dpy);
    return true;
}

} // namespace os
