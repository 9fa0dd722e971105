// The real hook library in a Wayland session (a headless sway, started by
// tests/hooks/wayland_hook.sh): the compositor's idle notification reports the user's return,
// which reaches the receivers as input within a second of the first key or pointer move.
#include "E2ESupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <sys/types.h>
#include <thread>

using namespace e2e;

namespace {

constexpr unsigned WM_USER = 0x0400;
constexpr std::uintptr_t KeyWindow = 7;
constexpr std::uintptr_t MouseWindow = 8;

bool RunCommand(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

class WaylandHook : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* path = std::getenv("VISTREL_HOOK_LIBRARY_PATH");
        library = dlopen(path != nullptr ? path : VISTREL_HOOK_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        Attach = reinterpret_cast<int (*)(int, int, int)>(dlsym(library, "AttachReceiver"));
        Detach = reinterpret_cast<int (*)(int, int)>(dlsym(library, "DetachReceiver"));
        ASSERT_TRUE(Attach && Detach);
        // A thread sanitizer starts a helper thread with the process's second thread: let
        // that happen now, so the counts below see the library's thread alone.
        std::thread([] {}).join();
    }
    void SetUp() override {
        if (std::getenv("WAYLAND_DISPLAY") == nullptr)
            GTEST_SKIP() << "no Wayland session: run under tests/hooks/wayland_hook.sh";
        Inbox::SetLiveWindows({KeyWindow, MouseWindow});
        Inbox::Clear();
    }
    void TearDown() override {
        if (Detach != nullptr) {
            Detach(1, KeyWindow);
            Detach(2, MouseWindow);
        }
        Inbox::SetLiveWindows({});
    }

    // Attaches both receivers; the library's new thread id goes to tid.
    void AttachBoth(std::string& tid) {
        auto before = Threads();
        ASSERT_EQ(Attach(1, KeyWindow, 0), 0);
        ASSERT_EQ(Attach(2, MouseWindow, 0), 0);
        auto after = Threads();
        ASSERT_EQ(after.size(), before.size() + 1) << "one thread of the library's own";
        for (const std::string& t : after)
            if (before.count(t) == 0)
                tid = t;
    }
    // Waits until the user has been idle long enough for the next input to count.
    static void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(800)); }

    // Input, then the time until both receivers heard of it; false when they did not.
    bool Heard(const std::string& command, std::chrono::milliseconds& took) {
        auto start = std::chrono::steady_clock::now();
        if (!RunCommand(command))
            return false;
        bool mouse = false;
        bool key = false;
        bool ok = WaitUntil(
            [&] {
                for (const Message& m : Inbox::Take()) {
                    mouse |= m.Window == MouseWindow && m.Msg == WM_USER;
                    key |= m.Window == KeyWindow && m.Msg == WM_USER;
                }
                return mouse && key;
            },
            std::chrono::seconds(3));
        took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        std::printf("%s: heard after %lld ms\n", command.c_str(),
                    static_cast<long long>(took.count()));
        return ok;
    }

    static inline void* library = nullptr;
    static inline int (*Attach)(int, int, int) = nullptr;
    static inline int (*Detach)(int, int) = nullptr;
};

} // namespace

TEST_F(WaylandHook, AKeyOrAPointerMoveAfterAPauseReachesTheReceiversWithinASecond) {
    std::string tid;
    AttachBoth(tid);
    std::string syscall;
    EXPECT_TRUE(WaitUntil([&] { return SleepsInPoll(tid, syscall); }))
        << "the watcher should sleep in poll without a timeout: " << syscall;

    Pause();
    EXPECT_TRUE(Inbox::Take().empty()) << "nothing was typed yet";
    std::chrono::milliseconds took{};
    // wtype's own start-up (a keymap, a virtual keyboard) is part of the time measured.
    ASSERT_TRUE(Heard("wtype a", took)) << "a key press did not reach the receivers";
    EXPECT_LT(took.count(), 1000);

    Pause();
    ASSERT_TRUE(Heard("swaymsg seat - cursor move 5 5", took))
        << "a pointer move did not reach the receivers";
    EXPECT_LT(took.count(), 1000);
    EXPECT_TRUE(WaitUntil([&] { return SleepsInPoll(tid, syscall); })) << syscall;
}

TEST_F(WaylandHook, TheThreadEndsWithItsReceiversAndComesBack) {
    std::string tid;
    AttachBoth(tid);
    auto withThread = Threads();
    Inbox::SetLiveWindows({}); // both windows were destroyed without detaching
    Pause();
    ASSERT_TRUE(RunCommand("wtype b"));
    EXPECT_TRUE(WaitUntil([&] { return Threads().size() == withThread.size() - 1; }))
        << "the thread should end once nobody listens";

    Inbox::SetLiveWindows({KeyWindow, MouseWindow});
    AttachBoth(tid);
    Pause();
    std::chrono::milliseconds took{};
    EXPECT_TRUE(Heard("wtype c", took));
}

// Last: the compositor goes away. The thread ends without harm and detaching does not hang.
TEST_F(WaylandHook, TheCompositorGoingAwayEndsTheThreadQuietly) {
    const char* swayPid = std::getenv("VISTREL_TEST_SWAY_PID");
    if (swayPid == nullptr)
        GTEST_SKIP() << "the compositor's process id is not known";
    auto before = Threads();
    std::string tid;
    AttachBoth(tid);
    ASSERT_EQ(::kill(static_cast<pid_t>(std::atoi(swayPid)), SIGKILL), 0);
    EXPECT_TRUE(WaitUntil([&] { return Threads().size() == before.size(); }))
        << "the watcher thread should end when the compositor has gone";
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Detach(1, KeyWindow), 0);
    EXPECT_EQ(Detach(2, MouseWindow), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}
