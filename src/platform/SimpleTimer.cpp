#include "platform/SimpleTimer.h"

#include "os/Platform.h"

#include <memory>
#include <unordered_map>

namespace platform {

// The one window that receives WM_TIMER for every TSimpleTimer, with the live timers by id:
// a tick names its timer by id and is looked up, never cast back to an object blindly.
class TSimpleTimerHandler {
public:
    TSimpleTimerHandler() : loop_(os::Current().Loop()) {
        window_ =
            loop_.CreateMessageWindow([this](os::UINT msg, os::WPARAM wParam, os::LPARAM lParam) {
                return WindowProc(msg, wParam, lParam);
            });
    }
    ~TSimpleTimerHandler() {
        if (window_ != 0 && LoopAlive())
            loop_.DestroyWindow(window_);
    }
    TSimpleTimerHandler(const TSimpleTimerHandler&) = delete;
    TSimpleTimerHandler& operator=(const TSimpleTimerHandler&) = delete;

    os::HWND Window() const { return window_; }
    // The loop the window lives in; the timers use it even if another platform is installed
    // meanwhile (tests), and leave it alone once it is gone.
    os::MessageLoop& Loop() { return loop_; }
    bool LoopAlive() const { return os::Installed() && &os::Current().Loop() == &loop_; }
    int RefCount() const { return static_cast<int>(timers_.size()); }
    int ActiveCount = 0;

    void Add(TSimpleTimer* timer) { timers_[timer->Id()] = timer; }
    void Remove(TSimpleTimer* timer) { timers_.erase(timer->Id()); }

private:
    os::MessageResult WindowProc(os::UINT msg, os::WPARAM wParam, os::LPARAM /*lParam*/) {
        if (msg != os::WM_TIMER)
            return os::DefaultProcessing;
        auto it = timers_.find(wParam);
        if (it != timers_.end())
            it->second->Tick();
        return 0;
    }

    os::MessageLoop& loop_;
    os::HWND window_ = 0;
    std::unordered_map<std::uintptr_t, TSimpleTimer*> timers_;
};

namespace {

// Made with the first timer, gone with the last one (or at program end).
std::unique_ptr<TSimpleTimerHandler> handler;

TSimpleTimerHandler& AddRef(TSimpleTimer* timer) {
    if (!handler)
        handler = std::make_unique<TSimpleTimerHandler>();
    handler->Add(timer);
    return *handler;
}

void Release(TSimpleTimer* timer) {
    if (!handler)
        return;
    handler->Remove(timer);
    if (handler->RefCount() == 0)
        handler.reset();
}

} // namespace

TSimpleTimer::TSimpleTimer() {
    AddRef(this);
}

TSimpleTimer::TSimpleTimer(unsigned interval, TSimpleTimerEvent onTimer)
    : interval_(interval), onTimer_(std::move(onTimer)) {
    AddRef(this);
}

TSimpleTimer::~TSimpleTimer() {
    if (enabled_)
        Stop(true);
    Release(this);
}

bool TSimpleTimer::Start() {
    if (interval_ == 0)
        return false;
    if (enabled_)
        Stop(true);
    if (!handler || !handler->LoopAlive() ||
        !handler->Loop().SetTimer(handler->Window(), Id(), interval_))
        return false;
    enabled_ = true;
    ++handler->ActiveCount;
    return true;
}

void TSimpleTimer::Stop(bool clearEnabled) {
    if (clearEnabled)
        enabled_ = false;
    if (handler && handler->LoopAlive() && handler->Loop().KillTimer(handler->Window(), Id()) &&
        handler->ActiveCount > 0)
        --handler->ActiveCount;
}

void TSimpleTimer::SetEnabled(bool value) {
    if (value)
        Start();
    else
        Stop(true);
}

void TSimpleTimer::SetInterval(unsigned value) {
    if (value == interval_)
        return;
    interval_ = value;
    if (!enabled_)
        return;
    if (value != 0)
        Start();
    else
        Stop(false); // stays wanted; runs again once it has an interval
}

void TSimpleTimer::SetOnTimer(TSimpleTimerEvent onTimer) {
    onTimer_ = std::move(onTimer);
    if (!onTimer_ && enabled_)
        Stop(false);
}

void TSimpleTimer::Tick() {
    if (autoDisable_)
        Stop(true);
    if (onTimer_) {
        TSimpleTimerEvent callback = onTimer_; // the callback may replace itself or free us
        callback(this);
    }
}

os::HWND TSimpleTimer::HandlerWindow() {
    return handler ? handler->Window() : 0;
}
int TSimpleTimer::HandlerRefCount() {
    return handler ? handler->RefCount() : 0;
}
int TSimpleTimer::HandlerActiveCount() {
    return handler ? handler->ActiveCount : 0;
}

} // namespace platform
