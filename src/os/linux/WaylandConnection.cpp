#include "os/linux/WaylandConnection.h"

#include "ext-idle-notify-v1-client-protocol.h"
#include "idle-client-protocol.h"

#include <wayland-client.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <poll.h>

namespace os {

IdleSource ChooseIdleSource(const std::set<std::string>& globals,
                            const std::set<std::string>& busNames) {
    bool seat = globals.count("wl_seat") != 0;
    if (seat && globals.count("ext_idle_notifier_v1") != 0)
        return IdleSource::ExtIdleNotify;
    if (seat && globals.count("org_kde_kwin_idle") != 0)
        return IdleSource::KdeIdle;
    if (busNames.count("org.gnome.Mutter.IdleMonitor") != 0)
        return IdleSource::MutterIdleMonitor;
    return IdleSource::None;
}

bool WaylandDisplayNamed() {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    return name != nullptr && *name != '\0';
}

// The idle notification of whichever protocol the compositor has: one object, two events.
struct WaylandConnection::IdleWatch {
    std::function<void()> OnResumed;
    ext_idle_notification_v1* Ext = nullptr;
    org_kde_kwin_idle_timeout* Kde = nullptr;

    ~IdleWatch() {
        if (Ext != nullptr)
            ext_idle_notification_v1_destroy(Ext);
        if (Kde != nullptr)
            org_kde_kwin_idle_timeout_release(Kde);
    }

    static void Idle(void*, ext_idle_notification_v1*) {}
    static void Resumed(void* self, ext_idle_notification_v1*) {
        static_cast<IdleWatch*>(self)->OnResumed();
    }
    static void KdeIdle(void*, org_kde_kwin_idle_timeout*) {}
    static void KdeResumed(void* self, org_kde_kwin_idle_timeout*) {
        static_cast<IdleWatch*>(self)->OnResumed();
    }
    static constexpr ext_idle_notification_v1_listener ExtListener{&Idle, &Resumed};
    static constexpr org_kde_kwin_idle_timeout_listener KdeListener{&KdeIdle, &KdeResumed};
};

std::unique_ptr<WaylandConnection> WaylandConnection::Connect() {
    if (!WaylandDisplayNamed())
        return nullptr;
    std::unique_ptr<WaylandConnection> session(new WaylandConnection);
    session->display_ = wl_display_connect(nullptr);
    if (session->display_ == nullptr)
        return nullptr;
    session->registry_ = wl_display_get_registry(session->display_);
    static constexpr wl_registry_listener listener{&OnGlobal, &OnGlobalRemove};
    wl_registry_add_listener(session->registry_, &listener, session.get());
    if (wl_display_roundtrip(session->display_) < 0)
        return nullptr;
    return session;
}

WaylandConnection::~WaylandConnection() {
    idle_.reset();
    for (wl_output* output : outputs_)
        wl_proxy_destroy(reinterpret_cast<wl_proxy*>(output));
    for (auto& [proxy, destroy] : bound_)
        destroy(proxy);
    if (seat_ != nullptr)
        wl_seat_destroy(seat_);
    if (registry_ != nullptr)
        wl_registry_destroy(registry_);
    if (display_ != nullptr)
        wl_display_disconnect(display_);
}

void WaylandConnection::OnGlobal(void* self, wl_registry*, std::uint32_t name,
                                 const char* interface, std::uint32_t version) {
    auto* session = static_cast<WaylandConnection*>(self);
    session->globals_.push_back({name, interface, version});
    session->names_.insert(interface);
}

void WaylandConnection::OnGlobalRemove(void*, wl_registry*, std::uint32_t) {
    // An output unplugged meanwhile: requests on its objects are ignored by the compositor.
}

bool WaylandConnection::Broken() const {
    return wl_display_get_error(display_) != 0;
}

void* WaylandConnection::Bind(const wl_interface* interface, std::uint32_t version) {
    for (const Global& g : globals_) {
        if (g.Interface != interface->name)
            continue;
        void* proxy = wl_registry_bind(registry_, g.Name, interface,
                                       g.Version < version ? g.Version : version);
        // Only the client's side goes: the compositor forgets the rest when we disconnect.
        bound_.emplace_back(proxy, [](void* p) { wl_proxy_destroy(static_cast<wl_proxy*>(p)); });
        return proxy;
    }
    return nullptr;
}

const std::vector<wl_output*>& WaylandConnection::Outputs() {
    if (!outputsBound_) {
        outputsBound_ = true;
        for (const Global& g : globals_)
            if (g.Interface == wl_output_interface.name)
                outputs_.push_back(static_cast<wl_output*>(
                    wl_registry_bind(registry_, g.Name, &wl_output_interface, 1)));
    }
    return outputs_;
}

bool WaylandConnection::WatchIdle(unsigned idleMs, std::function<void()> onResumed) {
    StopIdleWatch();
    IdleSource source = ChooseIdleSource(names_, {});
    if (source != IdleSource::ExtIdleNotify && source != IdleSource::KdeIdle)
        return false;
    if (seat_ == nullptr) {
        for (const Global& g : globals_)
            if (g.Interface == wl_seat_interface.name) {
                seat_ = static_cast<wl_seat*>(
                    wl_registry_bind(registry_, g.Name, &wl_seat_interface, 1));
                break;
            }
    }
    auto watch = std::make_unique<IdleWatch>();
    watch->OnResumed = std::move(onResumed);
    if (idleManager_ == nullptr)
        idleManager_ = Bind(source == IdleSource::ExtIdleNotify ? &ext_idle_notifier_v1_interface
                                                                : &org_kde_kwin_idle_interface,
                            1);
    if (source == IdleSource::ExtIdleNotify) {
        auto* notifier = static_cast<ext_idle_notifier_v1*>(idleManager_);
        watch->Ext = ext_idle_notifier_v1_get_idle_notification(notifier, idleMs, seat_);
        ext_idle_notification_v1_add_listener(watch->Ext, &IdleWatch::ExtListener, watch.get());
    } else {
        auto* idle = static_cast<org_kde_kwin_idle*>(idleManager_);
        watch->Kde = org_kde_kwin_idle_get_idle_timeout(idle, seat_, idleMs);
        org_kde_kwin_idle_timeout_add_listener(watch->Kde, &IdleWatch::KdeListener, watch.get());
    }
    idle_ = std::move(watch);
    return wl_display_flush(display_) >= 0 || errno == EAGAIN;
}

void WaylandConnection::StopIdleWatch() {
    idle_.reset();
}

bool WaylandConnection::DispatchPending() {
    while (wl_display_prepare_read(display_) != 0)
        if (wl_display_dispatch_pending(display_) < 0)
            return false;
    wl_display_flush(display_);
    pollfd fd{wl_display_get_fd(display_), POLLIN, 0};
    if (poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN) != 0) {
        if (wl_display_read_events(display_) < 0)
            return false;
    } else {
        wl_display_cancel_read(display_);
    }
    return wl_display_dispatch_pending(display_) >= 0 && !Broken();
}

bool WaylandConnection::WaitAndDispatch(int wakeFd) {
    while (wl_display_prepare_read(display_) != 0)
        if (wl_display_dispatch_pending(display_) < 0)
            return false;
    // A full socket (EAGAIN) is sent on the next round; anything else is a broken connection.
    if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(display_);
        return false;
    }
    pollfd fds[2] = {{wl_display_get_fd(display_), POLLIN, 0}, {wakeFd, POLLIN, 0}};
    int ready = poll(fds, 2, -1);
    if (ready < 0 && errno != EINTR) {
        wl_display_cancel_read(display_);
        return false;
    }
    if (ready > 0 && fds[1].revents != 0) {
        wl_display_cancel_read(display_);
        return false;
    }
    if (ready > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
        // A hung-up compositor makes the read fail, which ends the wait for good.
        if (wl_display_read_events(display_) < 0)
            return false;
    } else {
        wl_display_cancel_read(display_);
    }
    return wl_display_dispatch_pending(display_) >= 0 && !Broken();
}

} // namespace os
