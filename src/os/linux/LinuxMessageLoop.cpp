#include "os/linux/LinuxMessageLoop.h"

#include "os/linux/MessageService.h"
#include "os/linux/WaylandSession.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QStyleHints>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace os {

namespace {

// Qt hands a message from another thread to the main thread through synchronisation that
// ThreadSanitizer cannot see (the toolkit is not instrumented): these mark the hand-off.
void HandOver([[maybe_unused]] void* what) {
#if defined(__SANITIZE_THREAD__)
    __tsan_release(what);
#endif
}
void TakeOver([[maybe_unused]] void* what) {
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(what);
#endif
}

// The loop the exported message service reaches; guarded so a post from another thread never
// meets a loop that is being destroyed.
std::mutex serviceMutex;
LinuxMessageLoop* serviceLoop = nullptr;

const QEvent::Type PostedMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type TimerMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

struct PostedMessage : QEvent {
    PostedMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
        : QEvent(PostedMessageEvent), Window(window), Msg(msg), WParam(wParam), LParam(lParam) {}
    HWND Window;
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
};

const QEvent::Type SentMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// A message sent from another thread. Its sender waits for the reply, which the main thread
// gives once the window has answered, or the event itself when it is dropped unanswered with
// the loop.
struct SentMessage : QEvent {
    struct Reply {
        std::mutex Mutex;
        std::condition_variable Ready;
        bool Given = false;
        LRESULT Result = 0;
    };
    SentMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, Reply& reply)
        : QEvent(SentMessageEvent), Window(window), Msg(msg), WParam(wParam), LParam(lParam),
          reply_(reply) {}
    ~SentMessage() override { Answer(0); }
    SentMessage(const SentMessage&) = delete;
    SentMessage& operator=(const SentMessage&) = delete;
    // The sender may go as soon as it has the reply: nothing of it is touched afterwards.
    void Answer(LRESULT result) {
        if (answered_)
            return;
        answered_ = true;
        std::lock_guard lock(reply_.Mutex);
        reply_.Result = result;
        reply_.Given = true;
        reply_.Ready.notify_all();
    }
    HWND Window;
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;

private:
    Reply& reply_;
    bool answered_ = false;
};

struct TimerMessage : QEvent {
    TimerMessage(HWND window, WPARAM id, std::uint64_t serial)
        : QEvent(TimerMessageEvent), Window(window), Id(id), Serial(serial) {}
    HWND Window;
    WPARAM Id;
    std::uint64_t Serial;
};

// Receives the queued messages, always on the main thread.
class Dispatcher : public QObject {
public:
    explicit Dispatcher(LinuxMessageLoop& loop) : loop_(loop) {}

protected:
    void customEvent(QEvent* event) override {
        TakeOver(event);
        if (event->type() == PostedMessageEvent) {
            auto* m = static_cast<PostedMessage*>(event);
            loop_.DeliverPosted(m->Window, m->Msg, m->WParam, m->LParam);
        } else if (event->type() == SentMessageEvent) {
            auto* m = static_cast<SentMessage*>(event);
            m->Answer(loop_.SendMessage(m->Window, m->Msg, m->WParam, m->LParam));
        } else if (event->type() == TimerMessageEvent) {
            auto* t = static_cast<TimerMessage*>(event);
            loop_.DeliverTimer(t->Window, t->Id, t->Serial);
        }
    }

private:
    LinuxMessageLoop& loop_;
};

// Top-level windows a user can bring forward: not the tray icon's own window, balloons,
// tooltips or menus.
bool IsUserWindow(const QWidget* w) {
    if (!w->isVisible() || w->testAttribute(Qt::WA_DontShowOnScreen))
        return false;
    Qt::WindowType type = w->windowType();
    if (type != Qt::Window && type != Qt::Dialog)
        return false;
    if (w->windowFlags().testFlag(Qt::BypassWindowManagerHint))
        return false;
    return !w->inherits("QSystemTrayIconSys");
}

// Signals are turned into a byte on this pipe; the main loop reads it when it is idle.
int signalPipe[2] = {-1, -1};

extern "C" void OnEndSignal(int signalNumber) {
    char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &byte, 1);
}

} // namespace

LinuxMessageLoop::LinuxMessageLoop(int& argc, char** argv) {
    if (QCoreApplication::instance() == nullptr) {
        // The toolkit hands each repaint to the X server through shared memory and then waits
        // for the server to be done with it: a round trip that wakes two threads for every
        // frame of the icon. For windows as small as ours, pixels sent in the request cost
        // less. The switch is read when the display connection opens, and is not passed on
        // to the programs we start.
        bool noSharedMemory = qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM");
        if (!noSharedMemory)
            qputenv("QT_XCB_NO_MITSHM", "1");
        {
            // In a Wayland session the program runs on the compositor itself, not XWayland.
            QtPlatformChoice platform;
            ownedApp_ = std::make_unique<QApplication>(argc, argv);
        }
        if (!noSharedMemory)
            qunsetenv("QT_XCB_NO_MITSHM");
    }
    // Closing a message box or dialog must never end the program; only Terminate does.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    dispatcher_ = std::make_unique<Dispatcher>(*this);
    wake_ = std::make_unique<QTimer>();
    wake_->setSingleShot(true);
    wake_->setTimerType(Qt::PreciseTimer);
    QObject::connect(wake_.get(), &QTimer::timeout, dispatcher_.get(), [this] { TimersDue(); });
    appWindow_ = CreateMessageWindow([this](UINT msg, WPARAM wParam, LPARAM lParam) {
        return ApplicationProc(msg, wParam, lParam);
    });
    std::lock_guard lock(serviceMutex);
    serviceLoop = this;
}

LinuxMessageLoop::~LinuxMessageLoop() {
    {
        std::lock_guard lock(serviceMutex);
        if (serviceLoop == this)
            serviceLoop = nullptr;
    }
    signalWatch_.reset();
    timers_.clear();
    wake_.reset();
    dispatcher_.reset(); // drops the messages still queued for it
    ownedApp_.reset();
}

bool LinuxMessageLoop::OnMainThread() const {
    auto* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

HWND LinuxMessageLoop::CreateMessageWindow(WindowProc proc) {
    std::lock_guard lock(mutex_);
    HWND handle = nextWindow_++; // never reused, so a stale handle never reaches a new window
    windows_[handle] = std::make_shared<WindowProc>(std::move(proc));
    return handle;
}

void LinuxMessageLoop::DestroyWindow(HWND window) {
    {
        std::lock_guard lock(mutex_);
        if (windows_.erase(window) == 0)
            return;
    }
    KillTimersOf(window);
}

bool LinuxMessageLoop::IsWindow(HWND window) {
    std::lock_guard lock(mutex_);
    return windows_.count(window) != 0;
}

int LinuxMessageLoop::HookApplicationWindow(AppHook hook) {
    int id = nextHook_++;
    appHooks_[id] = std::move(hook);
    return id;
}

void LinuxMessageLoop::UnhookApplicationWindow(int hookId) {
    appHooks_.erase(hookId);
}

// The application window's own timer: gives DPMS back to the user once the monitor is on.
constexpr WPARAM MonitorWatchTimer = 0x4D50;

LRESULT LinuxMessageLoop::ApplicationProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER && wParam == MonitorWatchTimer) {
        monitor_.Watch();
        if (!monitor_.RestorePending())
            KillTimer(appWindow_, MonitorWatchTimer);
        return 0;
    }
    auto hooks = appHooks_; // a hook may remove itself
    for (auto& [id, hook] : hooks)
        if (appHooks_.count(id) != 0)
            hook(msg, wParam, lParam);
    if (msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_MONITORPOWER)
        SetMonitorPower(lParam);
    return 0;
}

void LinuxMessageLoop::SetMonitorPower(LPARAM state) {
    // 2 = off, 1 = low power, -1 = on; a display without DPMS ignores it, as intended.
    if (state == 2)
        monitor_.Set(MonitorPower::State::Off);
    else if (state == 1)
        monitor_.Set(MonitorPower::State::Standby);
    else if (state == -1)
        monitor_.Set(MonitorPower::State::On);
    if (monitor_.RestorePending())
        SetTimer(appWindow_, MonitorWatchTimer, 1000);
    else
        KillTimer(appWindow_, MonitorWatchTimer);
}

bool LinuxMessageLoop::PostMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!IsWindow(window) || !dispatcher_)
        return false;
    auto* message = new PostedMessage(window, msg, wParam, lParam);
    HandOver(message);
    QCoreApplication::postEvent(dispatcher_.get(), message);
    return true;
}

void LinuxMessageLoop::DeliverPosted(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    Call(window, msg, wParam, lParam); // a window destroyed meanwhile just loses the message
}

LRESULT LinuxMessageLoop::Call(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<WindowProc> proc;
    {
        std::lock_guard lock(mutex_);
        auto it = windows_.find(window);
        if (it == windows_.end())
            return 0;
        proc = it->second; // keeps the handler alive if the window goes while it runs
    }
    return (*proc)(msg, wParam, lParam).value_or(0); // no default handling here
}

LRESULT LinuxMessageLoop::SendMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (OnMainThread() || !dispatcher_)
        return Call(window, msg, wParam, lParam);
    // From another thread the handler still runs on the main thread; the caller waits.
    SentMessage::Reply reply;
    auto* message = new SentMessage(window, msg, wParam, lParam, reply);
    HandOver(message);
    QCoreApplication::postEvent(dispatcher_.get(), message);
    std::unique_lock lock(reply.Mutex);
    reply.Ready.wait(lock, [&] { return reply.Given; });
    return reply.Result;
}

UINT LinuxMessageLoop::RegisterWindowMessage(const std::string& name) {
    if (name.empty())
        return 0;
    std::lock_guard lock(mutex_);
    auto it = registered_.find(name);
    if (it != registered_.end())
        return it->second;
    UINT id = 0xC000 + static_cast<UINT>(registered_.size());
    registered_[name] = id;
    return id;
}

namespace {

// Timers whose periods divide one another share a wake-up when one takes the other's phase;
// a first tick moved by up to a tenth of its period is as early or late as the system's own
// timer coalescing makes it. The countdown and the icon's animation, both set within a few
// milliseconds of each other, then tick in the same wake-up once a second.
constexpr int PhaseTolerance = 10; // a tenth of the period
// A wake-up this close before a due time counts as reaching it: the event loop waits in whole
// milliseconds.
constexpr auto DueSlack = std::chrono::milliseconds(2);

} // namespace

LinuxMessageLoop::Clock::time_point LinuxMessageLoop::FirstDue(Clock::time_point now,
                                                               Clock::duration period) const {
    Clock::time_point due = now + period;
    for (const auto& [key, other] : timers_) {
        Clock::duration step = std::min(period, other.Period);
        Clock::duration longer = std::max(period, other.Period);
        if (step.count() <= 0 || longer % step != Clock::duration::zero())
            continue;
        // The other timer ticks at other.Due + n * step (for the longer period, at some of
        // those); take the tick nearest to where this one would fall.
        Clock::duration offset = (due - other.Due) % step;
        if (offset < Clock::duration::zero())
            offset += step;
        Clock::time_point candidate = offset * 2 <= step ? due - offset : due - offset + step;
        Clock::duration shift = candidate > due ? candidate - due : due - candidate;
        if (shift * PhaseTolerance <= period)
            return candidate;
    }
    return due;
}

void LinuxMessageLoop::ArmWake() {
    if (!wake_)
        return;
    if (timers_.empty()) {
        wake_->stop();
        return;
    }
    Clock::time_point next = Clock::time_point::max();
    for (const auto& [key, info] : timers_)
        if (!info.Pending)
            next = std::min(next, info.Due);
    if (next == Clock::time_point::max()) {
        // Every timer waits for its handler; the wake-up is armed again when one has run.
        wake_->stop();
        return;
    }
    if (wake_->isActive() && next == wakeDue_)
        return; // armed for that already
    wakeDue_ = next;
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now());
    wake_->start(static_cast<int>(std::clamp<std::int64_t>(wait.count(), 0, 0x7FFFFFFF)));
}

bool LinuxMessageLoop::SetTimer(HWND window, WPARAM id, UINT intervalMs) {
    if (!IsWindow(window) || !dispatcher_)
        return false;
    KillTimer(window, id);
    // As the system does, very short intervals are raised to a floor.
    auto period =
        std::chrono::milliseconds(std::min<UINT>(std::max<UINT>(intervalMs, 10), 0x7FFFFFFF));
    timers_[TimerKey{window, id}] =
        TimerInfo{period, FirstDue(Clock::now(), period), nextSerial_++, false};
    ArmWake();
    return true;
}

bool LinuxMessageLoop::KillTimer(HWND window, WPARAM id) {
    if (timers_.erase(TimerKey{window, id}) == 0)
        return false;
    ArmWake();
    return true;
}

void LinuxMessageLoop::KillTimersOf(HWND window) {
    std::erase_if(timers_, [window](const auto& entry) { return entry.first.Window == window; });
    ArmWake();
}

void LinuxMessageLoop::TimersDue() {
    Clock::time_point now = Clock::now();
    for (auto& [key, info] : timers_) {
        if (info.Pending || info.Due > now + DueSlack)
            continue;
        // Ticks missed while the loop was busy are dropped, as with WM_TIMER; the next one
        // keeps the phase.
        Clock::duration late = now + DueSlack - info.Due;
        info.Due += info.Period * (late / info.Period + 1);
        info.Pending = true;
        // The tick is handled from the queue rather than here, so a handler that runs a
        // nested loop still sees its own timer tick again meanwhile.
        QCoreApplication::postEvent(dispatcher_.get(),
                                    new TimerMessage(key.Window, key.Id, info.Serial),
                                    Qt::LowEventPriority);
    }
    ArmWake();
}

void LinuxMessageLoop::DeliverTimer(HWND window, WPARAM id, std::uint64_t serial) {
    auto it = timers_.find(TimerKey{window, id});
    if (it == timers_.end() || it->second.Serial != serial)
        return; // killed, or set anew, after this tick was queued
    it->second.Pending = false;
    ArmWake();
    Call(window, WM_TIMER, id, 0);
}

void LinuxMessageLoop::ProcessMessages() {
    QCoreApplication::processEvents();
}

int LinuxMessageLoop::Run() {
    if (terminated_)
        return exitCode_;
    int code = QCoreApplication::exec();
    return terminated_ ? exitCode_ : code;
}

void LinuxMessageLoop::Terminate(int exitCode) {
    terminated_ = true;
    exitCode_ = exitCode;
    QCoreApplication::exit(exitCode);
}

bool LinuxMessageLoop::GetCursorPos(TPoint& point) {
    QPoint p = QCursor::pos();
    point = TPoint{p.x(), p.y()};
    return true;
}

short LinuxMessageLoop::GetAsyncKeyState(int virtualKey) {
    Qt::KeyboardModifier wanted = Qt::NoModifier;
    switch (virtualKey) {
    case VK_SHIFT:
        wanted = Qt::ShiftModifier;
        break;
    case VK_CONTROL:
        wanted = Qt::ControlModifier;
        break;
    case VK_MENU:
        wanted = Qt::AltModifier;
        break;
    default:
        return 0; // other keys are not asked for
    }
    return QGuiApplication::queryKeyboardModifiers().testFlag(wanted) ? static_cast<short>(0x8000)
                                                                      : 0;
}

UINT LinuxMessageLoop::GetDoubleClickTime() {
    int ms = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    return ms > 0 ? static_cast<UINT>(ms) : 500;
}

bool LinuxMessageLoop::SetForegroundWindow(HWND window) {
    if (!IsWindow(window))
        return false;
    // Message windows have no place on screen; the nearest meaning is the application's own
    // visible windows coming forward.
    BringToFront();
    return true;
}

void LinuxMessageLoop::SetEndSessionHandler(std::function<void()> handler) {
    endSession_ = std::move(handler);
    if (signalWatch_ || !endSession_)
        return;
    if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // without a pipe the signals keep their default action
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read);
    signalWatch_.reset(notifier);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this] {
        char buffer[16];
        while (::read(signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        EndSession();
    });
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QObject::connect(app, &QGuiApplication::commitDataRequest, notifier,
                         [this](QSessionManager&) { EndSession(); });
}

void LinuxMessageLoop::EndSession() {
    if (endSession_) {
        auto handler = endSession_; // the handler may replace itself
        handler();
    }
}

void LinuxMessageLoop::BringToFront() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!IsUserWindow(w))
            continue;
        w->raise();
        w->activateWindow();
    }
}

} // namespace os

// ---- The message service other modules of the process find by name ----------------------

extern "C" int VistrelPostMessage(uintptr_t window, unsigned int msg, uintptr_t wParam,
                                  intptr_t lParam) {
    std::lock_guard lock(os::serviceMutex);
    if (os::serviceLoop == nullptr)
        return 0;
    return os::serviceLoop->PostMessage(window, msg, wParam, lParam) ? 1 : 0;
}

extern "C" int VistrelIsWindow(uintptr_t window) {
    std::lock_guard lock(os::serviceMutex);
    if (os::serviceLoop == nullptr)
        return 0;
    return os::serviceLoop->IsWindow(window) ? 1 : 0;
}
