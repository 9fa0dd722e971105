#include "os/linux/SessionBus.h"

#include <systemd/sd-bus.h>

#include <cerrno>
#include <cstdlib>
#include <poll.h>
#include <time.h>

namespace os {

std::unique_ptr<SessionBus> SessionBus::Connect(std::chrono::milliseconds callTimeout) {
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0)
        return nullptr;
    sd_bus_set_method_call_timeout(
        bus, static_cast<std::uint64_t>(
                 std::chrono::duration_cast<std::chrono::microseconds>(callTimeout).count()));
    return std::unique_ptr<SessionBus>(new SessionBus(bus));
}

SessionBus::~SessionBus() {
    sd_bus_flush_close_unref(bus_);
}

std::set<std::string> SessionBus::Names() {
    std::set<std::string> names;
    char** owned = nullptr;
    if (sd_bus_list_names(bus_, &owned, nullptr) < 0)
        return names;
    for (char** name = owned; name != nullptr && *name != nullptr; ++name) {
        names.insert(*name);
        free(*name);
    }
    free(owned);
    return names;
}

bool SessionBus::WaitAndProcess(int wakeFd) {
    for (;;) {
        int done = sd_bus_process(bus_, nullptr);
        if (done < 0)
            return false;
        if (done == 0)
            break; // nothing more queued
    }
    int events = sd_bus_get_events(bus_);
    if (events < 0)
        return false;
    // A pending call's deadline, if any; otherwise no timeout at all.
    std::uint64_t until = 0;
    int timeout = -1;
    if (sd_bus_get_timeout(bus_, &until) > 0 && until != UINT64_MAX) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        auto nowUs = static_cast<std::uint64_t>(now.tv_sec) * 1000000u +
                     static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
        timeout = until <= nowUs ? 0 : static_cast<int>((until - nowUs + 999) / 1000);
    }
    pollfd fds[2] = {{sd_bus_get_fd(bus_), static_cast<short>(events), 0}, {wakeFd, POLLIN, 0}};
    int ready = poll(fds, 2, timeout);
    if (ready < 0 && errno != EINTR)
        return false;
    if (ready > 0 && fds[1].revents != 0)
        return false;
    // A hung-up bus makes the next sd_bus_process fail, which ends the wait for good.
    return true;
}

} // namespace os
