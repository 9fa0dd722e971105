// The message-window model on a Qt event loop: message windows are entries of a table whose
// handlers run on the main thread; posted messages travel as queued events. Timers keep a due
// time of their own, advanced by whole periods, so a one-second timer does not drift against
// the wall clock; one precise Qt timer wakes the loop for the earliest of them.
#pragma once

#include "os/linux/LinuxMonitorPower.h"
#include "os/MessageLoop.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

class QApplication;
class QObject;
class QTimer;

namespace os {

class LinuxMessageLoop : public MessageLoop {
public:
    // Creates the QApplication unless one exists already; argc must outlive the loop.
    LinuxMessageLoop(int& argc, char** argv);
    ~LinuxMessageLoop() override;
    LinuxMessageLoop(const LinuxMessageLoop&) = delete;
    LinuxMessageLoop& operator=(const LinuxMessageLoop&) = delete;

    HWND CreateMessageWindow(WindowProc proc) override;
    void DestroyWindow(HWND window) override;
    bool IsWindow(HWND window) override;
    HWND ApplicationWindow() override { return appWindow_; }
    int HookApplicationWindow(AppHook hook) override;
    void UnhookApplicationWindow(int hookId) override;

    bool PostMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) override;
    LRESULT SendMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) override;
    UINT RegisterWindowMessage(const std::string& name) override;

    bool SetTimer(HWND window, WPARAM id, UINT intervalMs) override;
    bool KillTimer(HWND window, WPARAM id) override;

    void ProcessMessages() override;
    int Run() override;
    void Terminate(int exitCode = 0) override;
    bool Terminated() override { return terminated_; }

    bool GetCursorPos(TPoint& point) override;
    short GetAsyncKeyState(int virtualKey) override;
    UINT GetDoubleClickTime() override;
    bool SetForegroundWindow(HWND window) override;
    void BringToFront() override;
    // SIGTERM, SIGINT and the session manager's request to end run the handler on the main
    // thread; the signals arrive through a pipe, so nothing polls while waiting.
    void SetEndSessionHandler(std::function<void()> handler) override;

    // Runs a posted message; called by the dispatcher object on the main thread.
    void DeliverPosted(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    // The wake-up timer fired: queue a WM_TIMER for each timer that is due, unless one is still
    // waiting, and arm the wake-up for the next due time.
    void TimersDue();
    // Runs a queued WM_TIMER if its timer still runs as it did when the tick was queued.
    void DeliverTimer(HWND window, WPARAM id, std::uint64_t serial);

    std::size_t RunningTimerCount() const { return timers_.size(); }

private:
    LRESULT Call(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT ApplicationProc(UINT msg, WPARAM wParam, LPARAM lParam);
    void SetMonitorPower(LPARAM state);
    void KillTimersOf(HWND window);
    bool OnMainThread() const;

    std::unique_ptr<QApplication> ownedApp_;
    std::unique_ptr<QObject> dispatcher_;

    // Guarded by mutex_: other threads ask IsWindow and post through the exported service.
    mutable std::mutex mutex_;
    std::unordered_map<HWND, std::shared_ptr<WindowProc>> windows_;
    HWND nextWindow_ = 0x10000;
    std::map<std::string, UINT> registered_;

    using Clock = std::chrono::steady_clock;
    struct TimerKey {
        HWND Window;
        WPARAM Id;
        bool operator<(const TimerKey& o) const {
            return Window != o.Window ? Window < o.Window : Id < o.Id;
        }
    };
    struct TimerInfo {
        Clock::duration Period;
        Clock::time_point Due;
        std::uint64_t Serial; // new for every SetTimer, so stale ticks are recognised
        bool Pending;         // a WM_TIMER is queued and not yet handled
    };
    // The first due time of a timer set now: one period ahead, moved onto the phase of a
    // running timer when their periods divide one another and the move is small.
    Clock::time_point FirstDue(Clock::time_point now, Clock::duration period) const;
    void ArmWake();
    std::map<TimerKey, TimerInfo> timers_;
    std::unique_ptr<QTimer> wake_;
    Clock::time_point wakeDue_; // what the wake-up timer is armed for while it is active
    std::uint64_t nextSerial_ = 1;

    std::map<int, AppHook> appHooks_;
    int nextHook_ = 1;
    HWND appWindow_ = 0;
    bool terminated_ = false;
    int exitCode_ = 0;

    MonitorPower monitor_;

    std::function<void()> endSession_;
    std::unique_ptr<QObject> signalWatch_; // made with the first end-session handler
    void EndSession();
};

} // namespace os
