// Wayland desktops that speak D-Bus instead of the compositor protocols, stood in for by a fake
// of their services on a private session bus (run under dbus-run-session with a
// WAYLAND_DISPLAY that no compositor answers, so the protocols are not there):
// GNOME's idle monitor tells the hook library of the user's return, GNOME's power-save mode
// and KDE's "Turn Off Screen" switch the monitor.
#include "E2ESupport.h"
#include "os/linux/LinuxMonitorPower.h"

#include <gtest/gtest.h>

#include <systemd/sd-bus.h>

#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <dlfcn.h>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

using namespace e2e;
using State = os::MonitorPower::State;

namespace {

constexpr unsigned WM_USER = 0x0400;
constexpr const char* IdlePath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* IdleInterface = "org.gnome.Mutter.IdleMonitor";

// The desktop's services on a connection and thread of their own, as the desktop runs them.
class FakeDesktop {
public:
    enum Kind { Gnome, Kde };

    explicit FakeDesktop(Kind kind) {
        wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        ok_ = sd_bus_open_user(&bus_) >= 0;
        if (kind == Gnome) {
            ok_ = ok_ &&
                  sd_bus_add_object_vtable(bus_, nullptr, IdlePath, IdleInterface, IdleVtable,
                                           this) >= 0 &&
                  sd_bus_add_object_vtable(bus_, nullptr, "/org/gnome/Mutter/DisplayConfig",
                                           "org.gnome.Mutter.DisplayConfig", DisplayVtable,
                                           this) >= 0 &&
                  sd_bus_request_name(bus_, "org.gnome.Mutter.IdleMonitor", 0) >= 0 &&
                  sd_bus_request_name(bus_, "org.gnome.Mutter.DisplayConfig", 0) >= 0;
        } else {
            ok_ = ok_ &&
                  sd_bus_add_object_vtable(bus_, nullptr, "/component/org_kde_powerdevil",
                                           "org.kde.kglobalaccel.Component", AccelVtable,
                                           this) >= 0 &&
                  sd_bus_request_name(bus_, "org.kde.kglobalaccel", 0) >= 0 &&
                  sd_bus_request_name(bus_, "org.kde.Solid.PowerManagement", 0) >= 0;
        }
        lastInput_ = std::chrono::steady_clock::now();
        thread_ = std::thread(&FakeDesktop::Run, this);
    }
    ~FakeDesktop() {
        OnThread([this] { stop_ = true; });
        thread_.join();
        sd_bus_flush_close_unref(bus_);
        close(wake_);
    }
    FakeDesktop(const FakeDesktop&) = delete;
    FakeDesktop& operator=(const FakeDesktop&) = delete;

    bool Ok() const { return ok_; }

    // The user has not touched anything for this long: idle watches that are due fire.
    void UserIdleFor(std::chrono::milliseconds idle) {
        OnThread([this, idle] {
            lastInput_ = std::chrono::steady_clock::now() - idle;
            for (Watch& w : watches_)
                if (!w.Active && !w.Fired && w.Interval <= static_cast<std::uint64_t>(idle.count()))
                    Fire(w);
        });
    }
    // A key press: every user-active watch fires once and is gone.
    void UserActive() {
        OnThread([this] {
            lastInput_ = std::chrono::steady_clock::now();
            for (Watch& w : watches_) {
                if (w.Active)
                    Fire(w);
                w.Fired = false;
            }
            std::erase_if(watches_, [](const Watch& w) { return w.Active; });
        });
    }
    std::vector<std::uint64_t> IdleWatches() {
        std::vector<std::uint64_t> intervals;
        OnThread([&] {
            for (const Watch& w : watches_)
                if (!w.Active)
                    intervals.push_back(w.Interval);
        });
        return intervals;
    }
    int ActiveWatches() {
        int n = 0;
        OnThread([&] {
            n = static_cast<int>(
                std::count_if(watches_.begin(), watches_.end(), [](auto& w) { return w.Active; }));
        });
        return n;
    }
    std::vector<int> PowerSaveWrites() {
        std::vector<int> writes;
        OnThread([&] { writes = powerWrites_; });
        return writes;
    }
    std::vector<std::string> Shortcuts() {
        std::vector<std::string> shortcuts;
        OnThread([&] { shortcuts = shortcuts_; });
        return shortcuts;
    }

private:
    struct Watch {
        std::uint32_t Id;
        std::uint64_t Interval;
        bool Active;
        bool Fired = false;
    };

    void Fire(Watch& w) {
        w.Fired = true;
        sd_bus_emit_signal(bus_, IdlePath, IdleInterface, "WatchFired", "u", w.Id);
    }

    // Runs task on the service's thread and waits for it.
    void OnThread(std::function<void()> task) {
        std::unique_lock lock(mutex_);
        bool done = false;
        tasks_.push_back([&] {
            task();
            std::lock_guard doneLock(mutex_);
            done = true;
            doneCv_.notify_all();
        });
        std::uint64_t one = 1;
        if (write(wake_, &one, sizeof one) < 0) {
        }
        doneCv_.wait(lock, [&] { return done; });
    }

    void Run() {
        while (!stop_) {
            while (sd_bus_process(bus_, nullptr) > 0) {
            }
            std::deque<std::function<void()>> tasks;
            {
                std::lock_guard lock(mutex_);
                tasks.swap(tasks_);
            }
            for (auto& task : tasks)
                task();
            sd_bus_flush(bus_);
            if (stop_)
                break;
            pollfd fds[2] = {{sd_bus_get_fd(bus_), static_cast<short>(sd_bus_get_events(bus_)), 0},
                             {wake_, POLLIN, 0}};
            poll(fds, 2, 200);
            std::uint64_t count = 0;
            if (read(wake_, &count, sizeof count) < 0) {
            }
        }
    }

    static FakeDesktop& Of(void* self) { return *static_cast<FakeDesktop*>(self); }
    static int GetIdletime(sd_bus_message* m, void* self, sd_bus_error*) {
        auto idle = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - Of(self).lastInput_);
        return sd_bus_reply_method_return(m, "t", static_cast<std::uint64_t>(idle.count()));
    }
    static int AddIdleWatch(sd_bus_message* m, void* self, sd_bus_error*) {
        std::uint64_t interval = 0;
        sd_bus_message_read(m, "t", &interval);
        std::uint32_t id = Of(self).nextId_++;
        Of(self).watches_.push_back({id, interval, false});
        return sd_bus_reply_method_return(m, "u", id);
    }
    static int AddUserActiveWatch(sd_bus_message* m, void* self, sd_bus_error*) {
        std::uint32_t id = Of(self).nextId_++;
        Of(self).watches_.push_back({id, 0, true});
        return sd_bus_reply_method_return(m, "u", id);
    }
    static int RemoveWatch(sd_bus_message* m, void* self, sd_bus_error*) {
        std::uint32_t id = 0;
        sd_bus_message_read(m, "u", &id);
        std::erase_if(Of(self).watches_, [id](const Watch& w) { return w.Id == id; });
        return sd_bus_reply_method_return(m, "");
    }
    static int GetPower(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply,
                        void* self, sd_bus_error*) {
        return sd_bus_message_append(reply, "i", Of(self).powerMode_);
    }
    static int SetPower(sd_bus*, const char*, const char*, const char*, sd_bus_message* value,
                        void* self, sd_bus_error*) {
        int mode = 0;
        int r = sd_bus_message_read(value, "i", &mode);
        Of(self).powerMode_ = mode;
        Of(self).powerWrites_.push_back(mode);
        return r;
    }
    static int InvokeShortcut(sd_bus_message* m, void* self, sd_bus_error*) {
        const char* name = nullptr;
        sd_bus_message_read(m, "s", &name);
        Of(self).shortcuts_.push_back(name != nullptr ? name : "");
        return sd_bus_reply_method_return(m, "");
    }

    static constexpr sd_bus_vtable IdleVtable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("GetIdletime", "", "t", &GetIdletime, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD("AddIdleWatch", "t", "u", &AddIdleWatch, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD("AddUserActiveWatch", "", "u", &AddUserActiveWatch,
                      SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_METHOD("RemoveWatch", "u", "", &RemoveWatch, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_SIGNAL("WatchFired", "u", 0),
        SD_BUS_VTABLE_END};
    static constexpr sd_bus_vtable DisplayVtable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_WRITABLE_PROPERTY("PowerSaveMode", "i", &GetPower, &SetPower, 0,
                                 SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_VTABLE_END};
    static constexpr sd_bus_vtable AccelVtable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("invokeShortcut", "s", "", &InvokeShortcut, SD_BUS_VTABLE_UNPRIVILEGED),
        SD_BUS_VTABLE_END};

    sd_bus* bus_ = nullptr;
    bool ok_ = false;
    int wake_ = -1;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable doneCv_;
    std::deque<std::function<void()>> tasks_;
    // The service thread's own.
    bool stop_ = false;
    std::vector<Watch> watches_;
    std::uint32_t nextId_ = 1;
    std::chrono::steady_clock::time_point lastInput_;
    int powerMode_ = 0;
    std::vector<int> powerWrites_;
    std::vector<std::string> shortcuts_;
};

class DesktopSession : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("WAYLAND_DISPLAY") == nullptr ||
            std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr)
            GTEST_SKIP() << "run under dbus-run-session with WAYLAND_DISPLAY set";
    }
};

} // namespace

TEST_F(DesktopSession, GnomesIdleMonitorReportsTheUsersReturnAfterAPause) {
    FakeDesktop gnome(FakeDesktop::Gnome);
    ASSERT_TRUE(gnome.Ok());
    void* library = dlopen(VISTREL_HOOK_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto attach = reinterpret_cast<int (*)(int, int, int)>(dlsym(library, "AttachReceiver"));
    auto detach = reinterpret_cast<int (*)(int, int)>(dlsym(library, "DetachReceiver"));
    Inbox::SetLiveWindows({7, 8});
    Inbox::Clear();
    auto before = Threads();
    ASSERT_EQ(attach(1, 7, 0), 0);
    ASSERT_EQ(attach(2, 8, 0), 0);
    auto after = Threads();
    ASSERT_EQ(after.size(), before.size() + 1);
    std::string tid;
    for (const std::string& t : after)
        if (before.count(t) == 0)
            tid = t;
    EXPECT_EQ(gnome.IdleWatches(), (std::vector<std::uint64_t>{500}));
    std::string syscall;
    EXPECT_TRUE(WaitUntil([&] { return SleepsInPoll(tid, syscall); })) << syscall;

    // Input while the user was busy anyway is no return.
    gnome.UserActive();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(Inbox::Take().empty());

    gnome.UserIdleFor(std::chrono::milliseconds(600));
    ASSERT_TRUE(WaitUntil([&] { return gnome.ActiveWatches() == 1; }))
        << "idle now: the library should wait for the next input";
    auto start = std::chrono::steady_clock::now();
    gnome.UserActive();
    bool mouse = false;
    bool key = false;
    EXPECT_TRUE(WaitUntil([&] {
        for (const Message& m : Inbox::Take()) {
            mouse |= m.Window == 8 && m.Msg == WM_USER;
            key |= m.Window == 7 && m.Msg == WM_USER;
        }
        return mouse && key;
    }));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));

    // And again after the next pause.
    gnome.UserIdleFor(std::chrono::milliseconds(600));
    ASSERT_TRUE(WaitUntil([&] { return gnome.ActiveWatches() == 1; }));
    gnome.UserActive();
    EXPECT_TRUE(WaitUntil([&] { return !Inbox::Take().empty(); }));

    EXPECT_EQ(detach(1, 7), 0);
    EXPECT_EQ(detach(2, 8), 0);
    EXPECT_TRUE(WaitUntil([&] { return Threads().size() == before.size(); }));
    Inbox::SetLiveWindows({});
    dlclose(library);
}

TEST_F(DesktopSession, GnomesPowerSaveModeTurnsTheMonitorOffUntilTheUserIsBack) {
    FakeDesktop gnome(FakeDesktop::Gnome);
    ASSERT_TRUE(gnome.Ok());
    {
        os::MonitorPower power;
        ASSERT_TRUE(power.Set(State::Off));
        EXPECT_EQ(gnome.PowerSaveWrites(), (std::vector<int>{3}));
        EXPECT_TRUE(power.RestorePending());
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        power.Watch(); // the user is still away
        EXPECT_TRUE(power.RestorePending());
        EXPECT_EQ(gnome.PowerSaveWrites(), (std::vector<int>{3}));

        gnome.UserActive();
        power.Watch();
        EXPECT_FALSE(power.RestorePending());
        EXPECT_EQ(gnome.PowerSaveWrites(), (std::vector<int>{3, 0}));

        power.Set(State::Off); // and the program ends while it is dark
    }
    EXPECT_EQ(gnome.PowerSaveWrites(), (std::vector<int>{3, 0, 3, 0}));
}

TEST_F(DesktopSession, KdesTurnOffScreenActionTurnsTheMonitorOff) {
    FakeDesktop kde(FakeDesktop::Kde);
    ASSERT_TRUE(kde.Ok());
    os::MonitorPower power;
    ASSERT_TRUE(power.Set(State::Off));
    EXPECT_EQ(kde.Shortcuts(), (std::vector<std::string>{"Turn Off Screen"}));
    // KWin lights the screens on input itself: nothing to watch or undo.
    EXPECT_FALSE(power.RestorePending());
    power.Set(State::On);
    EXPECT_EQ(kde.Shortcuts().size(), 1u);
}
