#include "os/linux/WaylandOutputPower.h"

#include "os/linux/SessionBus.h"
#include "os/linux/WaylandConnection.h"
#include "wlr-output-power-management-unstable-v1-client-protocol.h"

#include <systemd/sd-bus.h>
#include <wayland-client.h>

#include <chrono>
#include <vector>

namespace os {

namespace {

// Input after this long without any means the user is back.
constexpr unsigned ReturnAfterIdleMs = 500;

class WlrOutputPower : public MonitorPower::Outputs {
public:
    WlrOutputPower(std::unique_ptr<WaylandConnection> session,
                   zwlr_output_power_manager_v1* manager)
        : session_(std::move(session)), manager_(manager) {
        for (wl_output* output : session_->Outputs())
            outputs_.push_back(std::make_unique<Output>(Output{this, output}));
    }
    ~WlrOutputPower() override {
        for (auto& output : outputs_)
            Release(*output);
    }
    WlrOutputPower(const WlrOutputPower&) = delete;
    WlrOutputPower& operator=(const WlrOutputPower&) = delete;

    void Set(MonitorPower::State state) override {
        session_->DispatchPending(); // earlier answers first
        if (session_->Broken()) {
            pending_ = false; // the compositor has gone, and its outputs with it
            return;
        }
        bool off = state != MonitorPower::State::On;
        for (auto& output : outputs_) {
            if (output->Power == nullptr) {
                output->Power = zwlr_output_power_manager_v1_get_output_power(manager_, output->Wl);
                zwlr_output_power_v1_add_listener(output->Power, &Listener, output.get());
            }
            zwlr_output_power_v1_set_mode(output->Power, off ? ZWLR_OUTPUT_POWER_V1_MODE_OFF
                                                             : ZWLR_OUTPUT_POWER_V1_MODE_ON);
        }
        if (off) {
            resumed_ = false;
            pending_ = session_->WatchIdle(ReturnAfterIdleMs, [this] { resumed_ = true; });
        } else {
            session_->StopIdleWatch();
            pending_ = false;
        }
        session_->DispatchPending(); // sends the requests; answers come on the next call
    }

    bool WakePending() override { return pending_; }

    void Watch() override {
        if (!session_->DispatchPending()) {
            pending_ = false;
            return;
        }
        if (resumed_)
            Set(MonitorPower::State::On);
    }

private:
    struct Output {
        WlrOutputPower* Owner;
        wl_output* Wl;
        zwlr_output_power_v1* Power = nullptr;
    };

    static void Release(Output& output) {
        if (output.Power != nullptr)
            zwlr_output_power_v1_destroy(output.Power);
        output.Power = nullptr;
    }
    static void OnMode(void*, zwlr_output_power_v1*, std::uint32_t) {}
    static void OnFailed(void* data, zwlr_output_power_v1*) {
        // The output cannot be switched (or went away): nothing to tell the user, as with a
        // display without DPMS. The next request asks again.
        Release(*static_cast<Output*>(data));
    }
    static constexpr zwlr_output_power_v1_listener Listener{&OnMode, &OnFailed};

    std::unique_ptr<WaylandConnection> session_;
    zwlr_output_power_manager_v1* manager_; // the session's
    std::vector<std::unique_ptr<Output>> outputs_;
    bool pending_ = false;
    bool resumed_ = false;
};

// GNOME: Mutter's power-save mode (0 on, 1 standby, 3 off). Lit again once its idle time is
// shorter than the time since the outputs went dark, that is once input came.
class MutterPowerSave : public MonitorPower::Outputs {
public:
    explicit MutterPowerSave(std::unique_ptr<SessionBus> bus) : bus_(std::move(bus)) {}

    void Set(MonitorPower::State state) override {
        int mode = state == MonitorPower::State::On        ? 0
                   : state == MonitorPower::State::Standby ? 1
                                                           : 3;
        // Refused or unanswered: nothing to tell the user, as with a display without DPMS.
        sd_bus_set_property(bus_->Bus(), "org.gnome.Mutter.DisplayConfig",
                            "/org/gnome/Mutter/DisplayConfig", "org.gnome.Mutter.DisplayConfig",
                            "PowerSaveMode", nullptr, "i", mode);
        pending_ = mode != 0;
        darkSince_ = std::chrono::steady_clock::now();
    }

    bool WakePending() override { return pending_; }

    void Watch() override {
        std::uint64_t idleMs = 0;
        sd_bus_message* reply = nullptr;
        bool known =
            sd_bus_call_method(bus_->Bus(), "org.gnome.Mutter.IdleMonitor",
                               "/org/gnome/Mutter/IdleMonitor/Core", "org.gnome.Mutter.IdleMonitor",
                               "GetIdletime", nullptr, &reply, "") >= 0 &&
            sd_bus_message_read(reply, "t", &idleMs) >= 0;
        sd_bus_message_unref(reply);
        auto dark = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - darkSince_);
        if (known && idleMs < static_cast<std::uint64_t>(dark.count()))
            Set(MonitorPower::State::On);
    }

private:
    std::unique_ptr<SessionBus> bus_;
    bool pending_ = false;
    std::chrono::steady_clock::time_point darkSince_;
};

// KDE Plasma: PowerDevil's "Turn Off Screen" action. KWin lights the screens on input itself.
class PowerDevilScreenOff : public MonitorPower::Outputs {
public:
    explicit PowerDevilScreenOff(std::unique_ptr<SessionBus> bus) : bus_(std::move(bus)) {}

    void Set(MonitorPower::State state) override {
        if (state == MonitorPower::State::On)
            return; // the key press that asks for it has lit the screens already
        sd_bus_call_method(bus_->Bus(), "org.kde.kglobalaccel", "/component/org_kde_powerdevil",
                           "org.kde.kglobalaccel.Component", "invokeShortcut", nullptr, nullptr,
                           "s", "Turn Off Screen");
    }
    bool WakePending() override { return false; }
    void Watch() override {}

private:
    std::unique_ptr<SessionBus> bus_;
};

} // namespace

OutputSwitch ChooseOutputSwitch(const std::set<std::string>& globals,
                                const std::set<std::string>& busNames) {
    if (globals.count("zwlr_output_power_manager_v1") != 0)
        return OutputSwitch::WlrOutputPower;
    if (busNames.count("org.gnome.Mutter.DisplayConfig") != 0)
        return OutputSwitch::MutterPowerSave;
    if (busNames.count("org.kde.kglobalaccel") != 0 &&
        busNames.count("org.kde.Solid.PowerManagement") != 0)
        return OutputSwitch::PowerDevil;
    return OutputSwitch::None;
}

std::unique_ptr<MonitorPower::Outputs> OpenWaylandOutputPower() {
    auto session = WaylandConnection::Connect();
    if (!session)
        return nullptr;
    auto* manager = static_cast<zwlr_output_power_manager_v1*>(
        session->Bind(&zwlr_output_power_manager_v1_interface, 1));
    if (manager == nullptr)
        return nullptr;
    return std::make_unique<WlrOutputPower>(std::move(session), manager);
}

std::unique_ptr<MonitorPower::Outputs> OpenSessionOutputs() {
    if (!WaylandDisplayNamed())
        return nullptr; // X11: DPMS, as always
    if (auto wlr = OpenWaylandOutputPower())
        return wlr;
    auto bus = SessionBus::Connect();
    if (!bus)
        return nullptr;
    switch (ChooseOutputSwitch({}, bus->Names())) {
    case OutputSwitch::MutterPowerSave:
        return std::make_unique<MutterPowerSave>(std::move(bus));
    case OutputSwitch::PowerDevil:
        return std::make_unique<PowerDevilScreenOff>(std::move(bus));
    default:
        return nullptr; // none: XWayland's missing DPMS keeps every request silent
    }
}

} // namespace os
