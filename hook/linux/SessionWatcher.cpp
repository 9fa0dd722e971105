#include "linux/SessionWatcher.h"

#include "os/linux/SessionBus.h"
#include "os/linux/WaylandConnection.h"

#include <systemd/sd-bus.h>

#include <system_error>

namespace hook {

namespace {
constexpr int ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr int ERROR_NOT_ENOUGH_MEMORY = 8;

constexpr const char* MutterName = "org.gnome.Mutter.IdleMonitor";
constexpr const char* MutterPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* MutterInterface = "org.gnome.Mutter.IdleMonitor";
} // namespace

SessionWatcher::SessionWatcher() = default;

SessionWatcher::~SessionWatcher() {
    Stop();
}

int SessionWatcher::Start(std::function<void()> onResumed, std::function<bool()> keepGoing) {
    Join(); // a thread that ended by itself
    onResumed_ = std::move(onResumed);
    keepGoing_ = std::move(keepGoing);
    if (!os::WaylandDisplayNamed())
        return -1;
    wayland_ = os::WaylandConnection::Connect();
    // The compositor's own word first; GNOME's compositor gives it on the session bus instead.
    if (wayland_ && !wayland_->WatchIdle(IdleMs, [this] { onResumed_(); }))
        wayland_.reset();
    if (!wayland_ && !StartMutter())
        return -1;
    if (!wake_.Open()) {
        Join(); // lets go of the compositor or the bus
        return ERROR_TOO_MANY_OPEN_FILES;
    }
    try {
        thread_ = wayland_ ? std::thread(&SessionWatcher::RunWayland, this)
                           : std::thread(&SessionWatcher::RunBus, this);
    } catch (const std::system_error&) {
        Join();
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    return 0;
}

void SessionWatcher::Stop() {
    if (thread_.joinable())
        wake_.Wake();
    Join();
}

void SessionWatcher::Join() {
    if (thread_.joinable())
        thread_.join();
    wake_.Close();
    wayland_.reset();
    bus_.reset(); // the idle monitor drops a gone client's watches
    idleWatch_ = activeWatch_ = 0;
}

void SessionWatcher::RunWayland() {
    // Ends when woken, when the compositor goes away, or when nobody listens any more.
    while (wayland_->WaitAndDispatch(wake_.ReadEnd()) && keepGoing_()) {
    }
}

bool SessionWatcher::StartMutter() {
    bus_ = os::SessionBus::Connect();
    if (!bus_ || os::ChooseIdleSource({}, bus_->Names()) != os::IdleSource::MutterIdleMonitor) {
        bus_.reset();
        return false;
    }
    sd_bus_error error{}; // all null, as SD_BUS_ERROR_NULL
    sd_bus_message* reply = nullptr;
    bool ok =
        sd_bus_match_signal(bus_->Bus(), nullptr, MutterName, MutterPath, MutterInterface,
                            "WatchFired", &SessionWatcher::OnWatchFired, this) >= 0 &&
        sd_bus_call_method(bus_->Bus(), MutterName, MutterPath, MutterInterface, "AddIdleWatch",
                           &error, &reply, "t", static_cast<std::uint64_t>(IdleMs)) >= 0 &&
        sd_bus_message_read(reply, "u", &idleWatch_) >= 0;
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    if (!ok)
        bus_.reset();
    return ok;
}

int SessionWatcher::OnWatchFired(sd_bus_message* message, void* self, sd_bus_error*) {
    auto* watcher = static_cast<SessionWatcher*>(self);
    std::uint32_t id = 0;
    if (sd_bus_message_read(message, "u", &id) < 0 || id == 0)
        return 0;
    if (id == watcher->idleWatch_ && watcher->activeWatch_ == 0) {
        // Idle now: the next input is the return. Asked without waiting for the answer, so
        // the thread keeps sleeping in poll.
        sd_bus_call_method_async(watcher->bus_->Bus(), nullptr, MutterName, MutterPath,
                                 MutterInterface, "AddUserActiveWatch",
                                 &SessionWatcher::OnActiveWatchAdded, watcher, "");
    } else if (id == watcher->activeWatch_) {
        watcher->activeWatch_ = 0; // fired watches of this kind are gone
        watcher->onResumed_();
    }
    return 0;
}

int SessionWatcher::OnActiveWatchAdded(sd_bus_message* reply, void* self, sd_bus_error*) {
    auto* watcher = static_cast<SessionWatcher*>(self);
    std::uint32_t id = 0;
    if (!sd_bus_message_is_method_error(reply, nullptr) &&
        sd_bus_message_read(reply, "u", &id) >= 0)
        watcher->activeWatch_ = id;
    return 0;
}

void SessionWatcher::RunBus() {
    // Ends when woken, when the bus goes away, or when nobody listens any more.
    while (bus_->WaitAndProcess(wake_.ReadEnd()) && keepGoing_()) {
    }
}

} // namespace hook
