#include "os/linux/LinuxMonitorPower.h"

#include "os/linux/WaylandOutputPower.h"

#include <X11/Xlib.h>
// After Xlib, which it builds on.
#include <X11/extensions/dpms.h>

namespace os {

namespace {

class XDpms : public MonitorPower::Dpms {
public:
    explicit XDpms(Display* dpy) : dpy_(dpy) {}
    ~XDpms() override { XCloseDisplay(dpy_); }
    XDpms(const XDpms&) = delete;
    XDpms& operator=(const XDpms&) = delete;

    bool Capable() override {
        int eventBase = 0;
        int errorBase = 0;
        return DPMSQueryExtension(dpy_, &eventBase, &errorBase) && DPMSCapable(dpy_);
    }
    bool Info(MonitorPower::State& level, bool& enabled) override {
        CARD16 power = DPMSModeOn;
        BOOL on = False;
        if (!DPMSInfo(dpy_, &power, &on))
            return false;
        level = power == DPMSModeOn    ? MonitorPower::State::On
                : power == DPMSModeOff ? MonitorPower::State::Off
                                       : MonitorPower::State::Standby;
        enabled = on != False;
        return true;
    }
    void SetEnabled(bool enabled) override {
        if (enabled)
            DPMSEnable(dpy_);
        else
            DPMSDisable(dpy_);
        XFlush(dpy_);
    }
    void Force(MonitorPower::State level) override {
        DPMSForceLevel(dpy_, level == MonitorPower::State::On    ? DPMSModeOn
                             : level == MonitorPower::State::Off ? DPMSModeOff
                                                                 : DPMSModeStandby);
        XFlush(dpy_);
    }

private:
    Display* dpy_;
};

} // namespace

MonitorPower::MonitorPower()
    : MonitorPower(&OpenSessionOutputs, []() -> std::unique_ptr<Dpms> {
          Display* dpy = XOpenDisplay(nullptr);
          if (dpy == nullptr)
              return nullptr;
          return std::make_unique<XDpms>(dpy);
      }) {}

MonitorPower::MonitorPower(std::function<std::unique_ptr<Dpms>()> open) : open_(std::move(open)) {}

MonitorPower::MonitorPower(std::function<std::unique_ptr<Outputs>()> openOutputs,
                           std::function<std::unique_ptr<Dpms>()> open)
    : openOutputs_(std::move(openOutputs)), open_(std::move(open)) {}

MonitorPower::~MonitorPower() {
    if (outputs_ && outputs_->WakePending())
        outputs_->Set(State::On);
    if (restoreOff_)
        Restore();
}

bool MonitorPower::Open() {
    if (tried_)
        return outputs_ != nullptr || dpms_ != nullptr;
    tried_ = true;
    if (openOutputs_ && (outputs_ = openOutputs_()) != nullptr)
        return true;
    dpms_ = open_();
    if (dpms_ && !dpms_->Capable())
        dpms_.reset();
    return dpms_ != nullptr;
}

bool MonitorPower::Available() {
    return Open();
}

bool MonitorPower::Set(State state) {
    if (!Open())
        return false;
    if (outputs_) {
        outputs_->Set(state);
        return true;
    }
    State level = State::On;
    bool enabled = false;
    dpms_->Info(level, enabled);
    if (state == State::On) {
        // With DPMS off the monitor is on already: the user's choice stays as it is.
        if (enabled)
            dpms_->Force(State::On);
        if (restoreOff_)
            Restore();
        return true;
    }
    // Forcing a level needs DPMS switched on, as "xset dpms force off" does.
    if (!enabled) {
        dpms_->SetEnabled(true);
        restoreOff_ = true;
    }
    dpms_->Force(state);
    return true;
}

void MonitorPower::Watch() {
    if (outputs_) {
        if (outputs_->WakePending())
            outputs_->Watch();
        return;
    }
    if (!restoreOff_ || !Open())
        return;
    State level = State::On;
    bool enabled = false;
    if (!dpms_->Info(level, enabled))
        return;
    if (!enabled)
        restoreOff_ = false; // switched off meanwhile by the user
    else if (level == State::On)
        Restore();
}

void MonitorPower::Restore() {
    restoreOff_ = false;
    if (dpms_)
        dpms_->SetEnabled(false);
}

} // namespace os
