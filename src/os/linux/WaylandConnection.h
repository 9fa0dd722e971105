// A connection of the program's own to the Wayland compositor: the globals it offers, the
// idle notification that tells when input follows a pause, and a wait that sleeps in poll().
// Used by the hook library's activity watcher and by monitor power, each on its own connection,
// so neither disturbs the toolkit's.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

struct wl_display;
struct wl_interface;
struct wl_output;
struct wl_registry;
struct wl_seat;

namespace os {

// Where word of the user's return comes from, best first.
enum class IdleSource { ExtIdleNotify, KdeIdle, MutterIdleMonitor, None };

// The source to use, given the compositor's globals (interface names) and the names owned on
// the session bus. Both idle protocols need a seat to watch.
IdleSource ChooseIdleSource(const std::set<std::string>& globals,
                            const std::set<std::string>& busNames);

// True when WAYLAND_DISPLAY names a compositor (the same test as IsWaylandSession, kept here
// so that the hook library, which has no toolkit, can make it too).
bool WaylandDisplayNamed();

class WaylandConnection {
public:
    // Null when no compositor answers.
    static std::unique_ptr<WaylandConnection> Connect();
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    const std::set<std::string>& Globals() const { return names_; }
    wl_display* Display() const { return display_; }
    bool Broken() const;

    // Binds the first global of that interface; null when there is none.
    void* Bind(const wl_interface* interface, std::uint32_t version);
    // Every output the compositor announced, bound once.
    const std::vector<wl_output*>& Outputs();

    // Asks for onResumed at each input that follows idleMs without any (called while
    // dispatching). False when the compositor offers no idle protocol with a seat.
    bool WatchIdle(unsigned idleMs, std::function<void()> onResumed);
    void StopIdleWatch();

    // Sends what is queued and handles what has arrived, without waiting. False once the
    // connection has broken.
    bool DispatchPending();
    // Sleeps in poll() until the compositor sends something or wakeFd becomes readable, then
    // handles it. False when woken through wakeFd or when the connection has broken.
    bool WaitAndDispatch(int wakeFd);

private:
    struct Global {
        std::uint32_t Name;
        std::string Interface;
        std::uint32_t Version;
    };
    struct IdleWatch;

    WaylandConnection() = default;
    static void OnGlobal(void* self, wl_registry* registry, std::uint32_t name,
                         const char* interface, std::uint32_t version);
    static void OnGlobalRemove(void* self, wl_registry* registry, std::uint32_t name);

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    std::vector<Global> globals_;
    std::set<std::string> names_;
    std::vector<wl_output*> outputs_;
    bool outputsBound_ = false;
    wl_seat* seat_ = nullptr;
    void* idleManager_ = nullptr;                          // bound once, for every idle watch
    std::vector<std::pair<void*, void (*)(void*)>> bound_; // proxies and their destructors
    std::unique_ptr<IdleWatch> idle_;
};

} // namespace os
