#include "linux/SessionWatcher.h"

#include "os/linux/WaylandSession.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace hook {

namespace {
constexpr int ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr int ERROR_NOT_ENOUGH_MEMORY = 8;
} // namespace

SessionWatcher::SessionWatcher() = default;

SessionWatcher::~SessionWatcher() {
    Stop();
}

int SessionWatcher::Start(std::function<void()> onResumed, std::function<bool()> keepGoing) {
    Join(); // a thread that ended by itself
    onResumed_ = std::move(onResumed);
    keepGoing_ = std::move(keepGoing);
    wayland_ = os::WaylandSession::Connect();
    if (!wayland_)
        return -1;
    if (!wayland_->WatchIdle(IdleMs, [this] { onResumed_(); })) {
        wayland_.reset();
        return -1;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        wayland_.reset();
        return ERROR_TOO_MANY_OPEN_FILES;
    }
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
    try {
        thread_ = std::thread(&SessionWatcher::RunWayland, this);
    } catch (const std::system_error&) {
        Join();
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    return 0;
}

void SessionWatcher::Stop() {
    if (thread_.joinable() && wakeWrite_ >= 0) {
        char byte = 1;
        while (write(wakeWrite_, &byte, 1) < 0 && errno == EINTR) {
        }
    }
    Join();
}

void SessionWatcher::Join() {
    if (thread_.joinable())
        thread_.join();
    if (wakeRead_ >= 0)
        close(wakeRead_);
    if (wakeWrite_ >= 0)
        close(wakeWrite_);
    wakeRead_ = wakeWrite_ = -1;
    wayland_.reset();
}

void SessionWatcher::RunWayland() {
    // Ends when woken, when the compositor goes away, or when nobody listens any more.
    while (wayland_->WaitAndDispatch(wakeRead_) && keepGoing_()) {
    }
}

} // namespace hook
