#include "ui/Timers.h"

#include "os/Platform.h"
#include "ui/Classes.h"

namespace ui {

namespace {
constexpr os::WPARAM TimerId = 1;
}

TTimer::~TTimer() {
    Stop();
    if (window_ != 0 && LoopStillInstalled())
        loop_->DestroyWindow(window_);
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned milliseconds) {
    if (milliseconds == interval_)
        return;
    interval_ = milliseconds;
    UpdateTimer();
}

TTimer::TTimerEvent& TTimer::TTimerEvent::operator=(TNotifyEvent handler) {
    handler_ = std::move(handler);
    timer_.UpdateTimer();
    return *this;
}

bool TTimer::LoopStillInstalled() const {
    return loop_ && os::Installed() && &os::Current().Loop() == loop_;
}

void TTimer::Stop() {
    if (running_ && LoopStillInstalled())
        loop_->KillTimer(window_, TimerId);
    running_ = false;
}

void TTimer::UpdateTimer() {
    Stop();
    if (!enabled_ || interval_ == 0 || !OnTimer || !os::Installed())
        return;
    os::MessageLoop& loop = os::Current().Loop();
    if (&loop != loop_) {
        // A window of a platform that is no longer installed went with it.
        loop_ = &loop;
        window_ = loop.CreateMessageWindow(
            [this](os::UINT msg, os::WPARAM wParam, os::LPARAM) -> os::MessageResult {
                if (msg != os::WM_TIMER)
                    return os::DefaultProcessing;
                if (wParam == TimerId)
                    Tick();
                return 0;
            });
    }
    if (window_ == 0 || !loop.SetTimer(window_, TimerId, interval_)) {
        loop_ = window_ == 0 ? nullptr : loop_;
        throw EOutOfResources("Not enough timers available");
    }
    running_ = true;
}

void TTimer::Tick() {
    // A tick already queued when the timer stopped is dropped.
    if (!running_ || !OnTimer)
        return;
    auto handler = OnTimer.Handler(); // the handler may replace OnTimer or destroy the timer
    handler(this);
}

} // namespace ui
