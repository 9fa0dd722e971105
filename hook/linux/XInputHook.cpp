// The hook library on X11. One thread of its own, with its own display connection, receives
// XInput2 raw events of the master devices on the root window (every key, button and relative
// pointer motion on the display, whichever window has the focus) and posts each as a message
// to the registered receivers through the program's exported message service. The thread
// sleeps in poll() until the server sends something, so an idle user costs nothing.
//
// Absolute pointing devices: the server sends no raw motion for a warped or absolutely placed
// pointer (a tablet, a touch screen, a remote-desktop or virtual-machine pointer, synthetic
// moves). An alarm on the SYNC extension's IDLETIME counter covers them: it fires when the
// display's idle time drops below IdleThresholdMs, that is when input follows a pause. An
// alarm that no raw event explains is reported as a mouse move at the pointer's position.
// Such devices therefore give one move per burst of activity after a pause, not one per step.
//
// In a Wayland session the X server (XWayland) sees only what its own clients get, so the
// library asks the compositor instead when it can (SessionWatcher) and takes this path only
// where the session offers no way to learn of activity.

#include "Hook.h"
#include "HookEvents.h"
#include "linux/SessionWatcher.h"
#include "linux/WakePipe.h"
#include "os/linux/MessageService.h"
#include "os/linux/X11Keys.h"
#include "Receivers.h"

// Xlib first: the extension headers build on its types.
#include <X11/Xlib.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <X11/extensions/sync.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>
#include <X11/XKBlib.h>

#include <atomic>
#include <bitset>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Failures are reported with the Windows error codes the program's contract speaks in.
constexpr int ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr int ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr int ERROR_NOT_SUPPORTED = 50;          // no XInput 2 on the display
constexpr int ERROR_INVALID_PARAMETER = 87;      // not a hook kind
constexpr int ERROR_PROC_NOT_FOUND = 127;        // the program exports no message service
constexpr int ERROR_DEVICE_NOT_CONNECTED = 1167; // no display
constexpr int ERROR_INVALID_WINDOW_HANDLE = 1400;

constexpr int IdleThresholdMs = 500;
// How long an idle alarm waits for the raw event that explains it.
constexpr auto AlarmGrace = std::chrono::milliseconds(100);
constexpr std::int32_t AlarmExplainedMs = 100;

struct MessageService {
    decltype(&VistrelPostMessage) Post = nullptr;
    decltype(&VistrelIsWindow) IsWindow = nullptr;
};

// The program exports its message service; finding it at run time keeps the library free of
// a link-time tie to one executable.
MessageService FindMessageService() {
    MessageService service;
    service.Post =
        reinterpret_cast<decltype(&VistrelPostMessage)>(dlsym(RTLD_DEFAULT, "VistrelPostMessage"));
    service.IsWindow =
        reinterpret_cast<decltype(&VistrelIsWindow)>(dlsym(RTLD_DEFAULT, "VistrelIsWindow"));
    return service;
}

struct HookState;
HookState& State();
bool AnyReceiverLeft();

class Watcher {
public:
    Watcher() = default;
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

    // Connects to the display and starts the thread; 0 or an error code.
    int Start(MessageService service);
    // Wakes the thread and waits for it to end.
    void Stop();

private:
    void Join();
    bool Connect(int& code);
    void SetUpIdleAlarm();
    void Run();
    void Handle(XEvent& event);
    void HandleRaw(int type, const XIRawEvent& raw);
    void HandleKey(const XIRawEvent& raw, bool released);
    void HandleButton(const XIRawEvent& raw, bool released);
    void FlushMove();
    void PointerAt(std::uint32_t& point, std::uintptr_t& window);
    void Deliver(int kind, unsigned code, std::uintptr_t wParam, std::intptr_t lParam);
    static void OnConnectionLost(Display* display, void* self);

    MessageService service_;
    Display* display_ = nullptr;
    int xiOpcode_ = 0;
    int syncEventBase_ = -1;
    XSyncAlarm alarm_ = None;
    hook::WakePipe wake_;
    std::thread thread_;

    // The thread's own state.
    std::atomic<bool> connectionLost_{false};
    std::bitset<256> keysDown_;
    std::bitset<256> altKeysDown_;
    bool movePending_ = false;
    bool alarmPending_ = false;
    Clock::time_point alarmDeadline_;
    Time lastInputTime_ = 0;
};

// Everything the exports share. It is made once and never destroyed, and the library is never
// unmapped (it is linked "nodelete"): the program releases the library without detaching its
// receivers, so the thread may still run then, and it must never be joined from inside the
// loader (unloading, or the destructors at exit). Either runs with the loader's lock held, and
// a thread that meets a broken display there would wait for it: at logout the program would
// never end. The thread ends by itself once its receivers have gone or its display has.
struct HookState {
    std::mutex LifeMutex; // serialises Attach and Detach
    std::mutex ListMutex; // guards Receivers and Watching; the thread takes it too
    hook::ReceiverList Receivers;
    bool Watching = false; // a thread runs and will deliver to receivers added now
    std::atomic<int> LastCode{HOOK_OK};
    hook::SessionWatcher Session; // the compositor's word, in a Wayland session that offers it
    Watcher Watch;                // XInput2 otherwise
};

HookState& State() {
    static HookState* state = new HookState;
    return *state;
}

// Xlib reports a broken connection to one handler for the whole process, and the default one
// (which the toolkit's chains to) ends the process: run on the watcher's thread, exit() would
// destroy the program's objects there and meet the loader's lock. For the watcher's own display
// the handler returns instead; the exit handler then marks the connection lost and the thread
// ends. Every other display keeps the handler it had.
std::atomic<Display*> watchedDisplay{nullptr};
XIOErrorHandler otherDisplaysHandler = nullptr;

int OnIOError(Display* display) {
    if (display == watchedDisplay.load())
        return 0;
    return otherDisplaysHandler != nullptr ? otherDisplaysHandler(display) : 0;
}

void InstallIOErrorHandler() {
    static std::once_flag once;
    std::call_once(once, [] { otherDisplaysHandler = XSetIOErrorHandler(&OnIOError); });
}

void CloseWatchedDisplay(Display*& display) {
    XCloseDisplay(display); // may meet the broken connection once more
    watchedDisplay = nullptr;
    display = nullptr;
}

int Watcher::Start(MessageService service) {
    Join(); // a thread that ended by itself when its receivers had gone
    service_ = service;
    int code = 0;
    if (!Connect(code))
        return code;
    if (!wake_.Open()) {
        CloseWatchedDisplay(display_);
        return ERROR_TOO_MANY_OPEN_FILES;
    }
    keysDown_.reset();
    altKeysDown_.reset();
    movePending_ = false;
    alarmPending_ = false;
    connectionLost_ = false;
    try {
        thread_ = std::thread(&Watcher::Run, this);
    } catch (const std::system_error&) {
        CloseWatchedDisplay(display_);
        Join();
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    return 0;
}

void Watcher::Stop() {
    if (thread_.joinable())
        wake_.Wake();
    Join();
}

void Watcher::Join() {
    if (thread_.joinable())
        thread_.join();
    wake_.Close();
}

void Watcher::OnConnectionLost(Display* /*display*/, void* self) {
    // Returning instead of exiting: losing the display must not end the program from here.
    static_cast<Watcher*>(self)->connectionLost_ = true;
}

bool Watcher::Connect(int& code) {
    InstallIOErrorHandler();
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) {
        code = ERROR_DEVICE_NOT_CONNECTED;
        return false;
    }
    watchedDisplay = display_;
    XSetIOErrorExitHandler(display_, &Watcher::OnConnectionLost, this);
    int event = 0;
    int error = 0;
    int major = 2;
    // 2.1 and later deliver raw events even while another client grabs the device (the
    // program's own hot key, a menu), which is when a key press must still count.
    int minor = 2;
    if (!XQueryExtension(display_, "XInputExtension", &xiOpcode_, &event, &error) ||
        XIQueryVersion(display_, &major, &minor) != Success) {
        CloseWatchedDisplay(display_);
        code = ERROR_NOT_SUPPORTED;
        return false;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_RawButtonRelease);
    XISetMask(bits, XI_RawMotion);
    // Master devices only: selecting every device would report each event twice.
    XIEventMask mask{XIAllMasterDevices, sizeof bits, bits};
    XISelectEvents(display_, DefaultRootWindow(display_), &mask, 1);
    SetUpIdleAlarm();
    XFlush(display_);
    return true;
}

void Watcher::SetUpIdleAlarm() {
    alarm_ = None;
    syncEventBase_ = -1;
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XSyncQueryExtension(display_, &eventBase, &errorBase) ||
        !XSyncInitialize(display_, &major, &minor))
        return; // no fallback for absolute pointers, raw events still work
    int count = 0;
    XSyncSystemCounter* counters = XSyncListSystemCounters(display_, &count);
    XSyncCounter idle = None;
    for (int i = 0; i < count; ++i)
        if (std::strcmp(counters[i].name, "IDLETIME") == 0)
            idle = counters[i].counter;
    if (counters != nullptr)
        XSyncFreeSystemCounterList(counters);
    if (idle == None)
        return;
    XSyncAlarmAttributes attributes{};
    attributes.trigger.counter = idle;
    attributes.trigger.value_type = XSyncAbsolute;
    XSyncIntToValue(&attributes.trigger.wait_value, IdleThresholdMs);
    attributes.trigger.test_type = XSyncNegativeTransition;
    XSyncIntToValue(&attributes.delta, 0); // stays armed after each trigger
    attributes.events = True;
    alarm_ = XSyncCreateAlarm(display_,
                              XSyncCACounter | XSyncCAValueType | XSyncCAValue | XSyncCATestType |
                                  XSyncCADelta | XSyncCAEvents,
                              &attributes);
    if (alarm_ != None)
        syncEventBase_ = eventBase;
}

void Watcher::Run() {
    const int connection = ConnectionNumber(display_);
    for (;;) {
        while (!connectionLost_ && XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            Handle(event);
        }
        int timeout = -1;
        if (alarmPending_) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(alarmDeadline_ -
                                                                              Clock::now());
            if (left.count() <= 0) {
                alarmPending_ = false;
                movePending_ = true; // input without a raw event: an absolute pointer
            } else {
                timeout = static_cast<int>(left.count()) + 1;
            }
        }
        FlushMove(); // one message for a run of motion
        if (connectionLost_ || !AnyReceiverLeft())
            break;
        pollfd fds[2] = {{connection, POLLIN, 0}, {wake_.ReadEnd(), POLLIN, 0}};
        int ready = poll(fds, 2, timeout);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0 && fds[1].revents != 0)
            break;
        if (ready > 0 && (fds[0].revents & (POLLERR | POLLNVAL)) != 0)
            break;
        // POLLHUP goes on to XPending, which notices the lost connection.
    }
    CloseWatchedDisplay(display_);
}

void DeliverTo(const MessageService& service, int kind, unsigned code, std::uintptr_t wParam,
               std::intptr_t lParam) {
    HookState& state = State();
    std::vector<std::uintptr_t> windows;
    {
        std::lock_guard lock(state.ListMutex);
        windows = state.Receivers.WindowsOf(kind);
    }
    // Posting happens outside the lock: the program's loop takes its own lock to queue.
    for (std::uintptr_t window : windows) {
        if (service.Post(window, hook::WM_USER + code, wParam, lParam) != 0)
            continue;
        // The window has gone (its component was deactivated without telling the library).
        std::lock_guard lock(state.ListMutex);
        if (service.IsWindow(window) == 0)
            state.Receivers.RemoveWindow(window);
    }
}

bool AnyReceiverLeft() {
    HookState& state = State();
    std::lock_guard lock(state.ListMutex);
    if (!state.Receivers.Empty())
        return true;
    // Every receiver has gone: end here, so that a library nobody listens to costs nothing.
    // The next registration starts a new thread.
    state.Watching = false;
    return false;
}

void Watcher::Handle(XEvent& event) {
    if (event.type == GenericEvent && event.xcookie.extension == xiOpcode_) {
        if (XGetEventData(display_, &event.xcookie)) {
            HandleRaw(event.xcookie.evtype, *static_cast<XIRawEvent*>(event.xcookie.data));
            XFreeEventData(display_, &event.xcookie);
        }
    } else if (syncEventBase_ >= 0 && event.type == syncEventBase_ + XSyncAlarmNotify) {
        const auto& notify = reinterpret_cast<const XSyncAlarmNotifyEvent&>(event);
        // Explained already when a raw event came with it; otherwise wait briefly for one.
        auto sinceInput = static_cast<std::int32_t>(static_cast<std::uint32_t>(notify.time) -
                                                    static_cast<std::uint32_t>(lastInputTime_));
        if (sinceInput > AlarmExplainedMs && !alarmPending_) {
            alarmPending_ = true;
            alarmDeadline_ = Clock::now() + AlarmGrace;
        }
    } else if (event.type == MappingNotify) {
        XRefreshKeyboardMapping(&event.xmapping);
    }
}

void Watcher::HandleRaw(int type, const XIRawEvent& raw) {
    lastInputTime_ = raw.time;
    alarmPending_ = false;
    switch (type) {
    case XI_RawKeyPress:
        HandleKey(raw, false);
        break;
    case XI_RawKeyRelease:
        HandleKey(raw, true);
        break;
    case XI_RawButtonPress:
        HandleButton(raw, false);
        break;
    case XI_RawButtonRelease:
        HandleButton(raw, true);
        break;
    case XI_RawMotion:
        movePending_ = true;
        break;
    default:
        break;
    }
}

void Watcher::HandleKey(const XIRawEvent& raw, bool released) {
    auto keycode = static_cast<unsigned>(raw.detail) & 0xFF;
    bool repeat = !released && (raw.flags & XIKeyRepeat) != 0;
    bool wasDown = released || repeat || keysDown_.test(keycode);
    keysDown_.set(keycode, !released);
    KeySym keysym = XkbKeycodeToKeysym(display_, static_cast<KeyCode>(keycode), 0, 0);
    if (keysym == XK_Alt_L || keysym == XK_Alt_R || keysym == XK_Meta_L || keysym == XK_Meta_R)
        altKeysDown_.set(keycode, !released);
    int virtualKey = os::VirtualKeyFromKeysym(keysym);
    std::uint32_t flags = hook::KeystrokeFlags(1, hook::ScanCodeFromX(keycode), altKeysDown_.any(),
                                               wasDown, released);
    Deliver(HOOK_KEYBOARD, 0, static_cast<std::uintptr_t>(virtualKey),
            static_cast<std::intptr_t>(static_cast<std::int32_t>(flags)));
}

void Watcher::HandleButton(const XIRawEvent& raw, bool released) {
    int code = hook::MouseButtonCode(static_cast<unsigned>(raw.detail), released);
    if (code < 0)
        return;
    FlushMove(); // motion before the press is reported before it
    if (code == 0) {
        movePending_ = true; // wheel and side buttons: the mouse was used
        return;
    }
    std::uint32_t point = 0;
    std::uintptr_t window = 0;
    PointerAt(point, window);
    Deliver(HOOK_MOUSE, static_cast<unsigned>(code), point, static_cast<std::intptr_t>(window));
}

void Watcher::FlushMove() {
    if (!movePending_ || connectionLost_)
        return;
    movePending_ = false;
    std::uint32_t point = 0;
    std::uintptr_t window = 0;
    PointerAt(point, window);
    Deliver(HOOK_MOUSE, 0, point, static_cast<std::intptr_t>(window));
}

void Watcher::PointerAt(std::uint32_t& point, std::uintptr_t& window) {
    Window root = None;
    Window child = None;
    int rootX = 0;
    int rootY = 0;
    int x = 0;
    int y = 0;
    unsigned mask = 0;
    // False only when the pointer is on another screen; the coordinates are still its own.
    XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY, &x, &y,
                  &mask);
    point = hook::PackPoint(rootX, rootY);
    window = static_cast<std::uintptr_t>(child);
}

void Watcher::Deliver(int kind, unsigned code, std::uintptr_t wParam, std::intptr_t lParam) {
    DeliverTo(service_, kind, code, wParam, lParam);
}

// The user is back, with nothing known of how: a move of the mouse (where to is not told) and
// a keystroke of no particular key, so a receiver of either kind learns of it.
void DeliverResumed(const MessageService& service) {
    DeliverTo(service, HOOK_MOUSE, 0, 0, 0);
    std::uint32_t flags = hook::KeystrokeFlags(1, {}, false, false, false);
    DeliverTo(service, HOOK_KEYBOARD, 0, 0,
              static_cast<std::intptr_t>(static_cast<std::int32_t>(flags)));
}

// The compositor's watcher where the session offers one, XInput2 otherwise.
int StartWatching(HookState& state, MessageService service) {
    int code = state.Session.Start([service] { DeliverResumed(service); }, &AnyReceiverLeft);
    if (code >= 0)
        return code;
    return state.Watch.Start(service);
}

} // namespace

extern "C" {

HOOK_EXPORT int HOOK_CALL AttachReceiver(int kind, int window, int allowFiltering) {
    HookState& state = State();
    kind &= 0xFF;
    auto handle = static_cast<std::uintptr_t>(static_cast<std::uint32_t>(window));
    auto finish = [&state](int code) {
        state.LastCode = code;
        return code;
    };
    if (kind != HOOK_KEYBOARD && kind != HOOK_MOUSE)
        return finish(ERROR_INVALID_PARAMETER);
    MessageService service = FindMessageService();
    if (service.Post == nullptr || service.IsWindow == nullptr)
        return finish(ERROR_PROC_NOT_FOUND); // not loaded by the program
    if (handle == 0 || service.IsWindow(handle) == 0)
        return finish(ERROR_INVALID_WINDOW_HANDLE);

    std::lock_guard life(state.LifeMutex);
    bool start = false;
    {
        std::lock_guard lock(state.ListMutex);
        state.Receivers.Prune([&](std::uintptr_t w) { return service.IsWindow(w) != 0; });
        int code = state.Receivers.Add({kind, handle, (allowFiltering & 0xFF) != 0});
        if (code != HOOK_OK)
            return finish(code);
        start = !state.Watching;
        state.Watching = true;
    }
    if (start) {
        int code = StartWatching(state, service);
        if (code != 0) {
            std::lock_guard lock(state.ListMutex);
            state.Receivers.Remove(kind, handle);
            state.Watching = false;
            return finish(code);
        }
    }
    return finish(HOOK_OK);
}

HOOK_EXPORT int HOOK_CALL DetachReceiver(int kind, int window) {
    HookState& state = State();
    auto handle = static_cast<std::uintptr_t>(static_cast<std::uint32_t>(window));
    std::lock_guard life(state.LifeMutex);
    bool stop = false;
    {
        std::lock_guard lock(state.ListMutex);
        if (!state.Receivers.Remove(kind & 0xFF, handle)) {
            state.LastCode = HOOK_NOT_REGISTERED;
            return HOOK_NOT_REGISTERED;
        }
        stop = state.Receivers.Empty() && state.Watching;
        if (stop)
            state.Watching = false;
    }
    if (stop) {
        state.Session.Stop();
        state.Watch.Stop();
    }
    state.LastCode = HOOK_OK;
    return HOOK_OK;
}

HOOK_EXPORT int HOOK_CALL LastError(void) {
    return State().LastCode;
}

} // extern "C"
