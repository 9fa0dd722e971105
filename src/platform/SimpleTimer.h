// A small timer without a component: every timer shares one hidden message window that
// receives WM_TIMER for all of them, so any number of timers costs one window.
#pragma once

#include "os/Types.h"

#include <cstdint>
#include <functional>

namespace platform {

class TSimpleTimer;

using TSimpleTimerEvent = std::function<void(TSimpleTimer* sender)>;

class TSimpleTimer {
public:
    TSimpleTimer(); // 1000 ms, no callback
    TSimpleTimer(unsigned interval, TSimpleTimerEvent onTimer);
    ~TSimpleTimer();
    TSimpleTimer(const TSimpleTimer&) = delete;
    TSimpleTimer& operator=(const TSimpleTimer&) = delete;

    // The id given to SetTimer: the object's own identity, as wide as a pointer.
    std::uintptr_t Id() const { return reinterpret_cast<std::uintptr_t>(this); }

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    unsigned Interval() const { return interval_; }
    void SetInterval(unsigned value);
    bool AutoDisable() const { return autoDisable_; }
    void SetAutoDisable(bool value) { autoDisable_ = value; }
    const TSimpleTimerEvent& OnTimer() const { return onTimer_; }
    void SetOnTimer(TSimpleTimerEvent onTimer);

    // Starts the system timer; false (and nothing done) with a zero interval or when the
    // system refuses. A running timer is stopped first.
    bool Start();
    // Kills the system timer; clearEnabled also marks the timer as not wanted.
    void Stop(bool clearEnabled);

    // The shared handler window, for tests and diagnostics: 0 while no timer exists.
    static os::HWND HandlerWindow();
    static int HandlerRefCount();    // timers alive
    static int HandlerActiveCount(); // timers whose system timer runs

private:
    friend class TSimpleTimerHandler;
    void Tick();

    bool enabled_ = false;
    unsigned interval_ = 1000;
    bool autoDisable_ = false;
    TSimpleTimerEvent onTimer_;
};

} // namespace platform
