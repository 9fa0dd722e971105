// A connection of the program's own to the session's D-Bus, for the desktops that offer idle
// and power services there (GNOME's Mutter, KDE's PowerDevil) instead of Wayland protocols.
#pragma once

#include <chrono>
#include <memory>
#include <set>
#include <string>

struct sd_bus;

namespace os {

class SessionBus {
public:
    // Null when the session has no bus. A call waits at most callTimeout for its answer.
    static std::unique_ptr<SessionBus>
    Connect(std::chrono::milliseconds callTimeout = std::chrono::seconds(1));
    ~SessionBus();
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    sd_bus* Bus() const { return bus_; }
    // The names owned on the bus now.
    std::set<std::string> Names();

    // Sleeps in poll() until the bus has something or wakeFd becomes readable, then handles
    // what came. False when woken through wakeFd or when the connection has broken.
    bool WaitAndProcess(int wakeFd);

private:
    explicit SessionBus(sd_bus* bus) : bus_(bus) {}
    sd_bus* bus_;
};

} // namespace os
