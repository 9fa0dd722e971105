#include "os/linux/WaylandOutputPower.h"

#include "os/linux/WaylandSession.h"
#include "wlr-output-power-management-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <vector>

namespace os {

namespace {

// Input after this long without any means the user is back.
constexpr unsigned ReturnAfterIdleMs = 500;

class WlrOutputPower : public MonitorPower::Outputs {
public:
    WlrOutputPower(std::unique_ptr<WaylandSession> session, zwlr_output_power_manager_v1* manager)
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

    std::unique_ptr<WaylandSession> session_;
    zwlr_output_power_manager_v1* manager_; // the session's
    std::vector<std::unique_ptr<Output>> outputs_;
    bool pending_ = false;
    bool resumed_ = false;
};

} // namespace

std::unique_ptr<MonitorPower::Outputs> OpenWaylandOutputPower() {
    auto session = WaylandSession::Connect();
    if (!session)
        return nullptr;
    auto* manager = static_cast<zwlr_output_power_manager_v1*>(
        session->Bind(&zwlr_output_power_manager_v1_interface, 1));
    if (manager == nullptr)
        return nullptr;
    return std::make_unique<WlrOutputPower>(std::move(session), manager);
}

std::unique_ptr<MonitorPower::Outputs> OpenSessionOutputs() {
    if (!WaylandSessionRunning())
        return nullptr; // X11: DPMS, as always
    return OpenWaylandOutputPower();
}

} // namespace os
