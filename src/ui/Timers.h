// The timer component: OnTimer every Interval milliseconds while enabled.
#pragma once

#include "os/Types.h"
#include "ui/Component.h"

#include <cstddef>

namespace os {
class MessageLoop;
}

namespace ui {

// Runs on the platform's message loop: a message window of its own receives WM_TIMER. It runs
// only while enabled, with a non-zero interval and an OnTimer handler. With no platform
// installed (headless use) it never runs.
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner) : TComponent(owner) {}
    ~TTimer() override;

    // Each of these restarts the count: the next tick comes one full interval later.
    // EOutOfResources when the system has no timer to give.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned milliseconds);

    // Whether the system timer runs.
    bool Running() const { return running_; }

    // Reads and assigns like a plain event; assigning starts or stops the timer.
    class TTimerEvent {
    public:
        explicit TTimerEvent(TTimer& timer) : timer_(timer) {}
        TTimerEvent(const TTimerEvent&) = delete;
        TTimerEvent& operator=(const TTimerEvent&) = delete;
        TTimerEvent& operator=(TNotifyEvent handler);
        TTimerEvent& operator=(std::nullptr_t) { return *this = TNotifyEvent(); }
        explicit operator bool() const { return static_cast<bool>(handler_); }
        const TNotifyEvent& Handler() const { return handler_; }

    private:
        TTimer& timer_;
        TNotifyEvent handler_;
    };
    TTimerEvent OnTimer{*this};

private:
    void UpdateTimer();
    void Stop();
    void Tick();
    bool LoopStillInstalled() const;

    bool enabled_ = true;
    unsigned interval_ = 1000;
    os::MessageLoop* loop_ = nullptr; // where the window was made
    os::HWND window_ = 0;
    bool running_ = false;
};

} // namespace ui
