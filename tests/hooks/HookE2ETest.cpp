// The real hook library on a virtual X display: input made with xdotool reaches the
// registered receivers through the message service this executable exports.
#include "E2ESupport.h"
#include "os/linux/X11Idle.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <string>

using namespace e2e;

namespace {

constexpr unsigned WM_USER = 0x0400;
constexpr std::uintptr_t KeyWindow = 7;
constexpr std::uintptr_t MouseWindow = 8;

class HookLibrary : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        library = dlopen(VISTREL_HOOK_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        Attach = reinterpret_cast<int (*)(int, int, int)>(dlsym(library, "AttachReceiver"));
        Detach = reinterpret_cast<int (*)(int, int)>(dlsym(library, "DetachReceiver"));
        LastError = reinterpret_cast<int (*)()>(dlsym(library, "LastError"));
        ASSERT_TRUE(Attach && Detach && LastError);
    }
    static void TearDownTestSuite() {
        if (library != nullptr)
            dlclose(library);
    }
    void SetUp() override {
        Inbox::SetLiveWindows({KeyWindow, MouseWindow});
        Inbox::Clear();
    }
    void TearDown() override {
        Detach(1, KeyWindow);
        Detach(2, MouseWindow);
        Inbox::SetLiveWindows({});
    }

    // Collects messages until `done` holds for everything collected so far.
    bool CollectUntil(const std::function<bool(const std::vector<Message>&)>& done) {
        return WaitUntil([&] {
            for (const Message& m : Inbox::Take())
                got.push_back(m);
            return done(got);
        });
    }
    bool Has(std::uintptr_t window, unsigned code, std::uintptr_t wParam) const {
        for (const Message& m : got)
            if (m.Window == window && m.Msg == WM_USER + code && m.WParam == wParam)
                return true;
        return false;
    }
    const Message* Find(std::uintptr_t window, unsigned code, std::uintptr_t wParam,
                        bool released) const {
        for (const Message& m : got)
            if (m.Window == window && m.Msg == WM_USER + code && m.WParam == wParam &&
                ((static_cast<std::uint32_t>(m.LParam) >> 31) != 0) == released)
                return &m;
        return nullptr;
    }

    static inline void* library = nullptr;
    static inline int (*Attach)(int, int, int) = nullptr;
    static inline int (*Detach)(int, int) = nullptr;
    static inline int (*LastError)() = nullptr;
    std::vector<Message> got;
};

} // namespace

TEST_F(HookLibrary, KeyPressesAndReleasesReachTheKeyboardReceiver) {
    ASSERT_EQ(Attach(1, KeyWindow, 0), 0);
    ASSERT_EQ(Attach(2, MouseWindow, 0), 0);
    ASSERT_TRUE(Xdotool("key a F1 Left alt+x"));
    ASSERT_TRUE(CollectUntil([&](auto&) { return Find(KeyWindow, 0, 'X', true) != nullptr; }));

    const Message* press = Find(KeyWindow, 0, 'A', false);
    const Message* release = Find(KeyWindow, 0, 'A', true);
    ASSERT_TRUE(press && release);
    auto pressFlags = static_cast<std::uint32_t>(press->LParam);
    EXPECT_EQ(pressFlags & 0xFFFF, 1u);          // repeat count
    EXPECT_EQ((pressFlags >> 16) & 0xFF, 0x1Eu); // scan code of A
    EXPECT_EQ(pressFlags & (1u << 30), 0u);      // was up before
    auto releaseFlags = static_cast<std::uint32_t>(release->LParam);
    EXPECT_NE(releaseFlags & (1u << 30), 0u);

    EXPECT_TRUE(Find(KeyWindow, 0, 0x70, false)); // F1
    const Message* left = Find(KeyWindow, 0, 0x25, false);
    ASSERT_TRUE(left);
    EXPECT_NE(static_cast<std::uint32_t>(left->LParam) & (1u << 24), 0u); // extended key
    const Message* x = Find(KeyWindow, 0, 'X', false);
    ASSERT_TRUE(x);
    EXPECT_NE(static_cast<std::uint32_t>(x->LParam) & (1u << 29), 0u); // Alt held
    for (const Message& m : got)
        EXPECT_NE(m.Window, MouseWindow) << "a key reached the mouse receiver";
}

TEST_F(HookLibrary, ClicksAndRelativeMotionReachTheMouseReceiver) {
    ASSERT_EQ(Attach(1, KeyWindow, 0), 0);
    ASSERT_EQ(Attach(2, MouseWindow, 0), 0);
    ASSERT_TRUE(Xdotool("mousemove 200 150"));
    ASSERT_TRUE(Xdotool("mousemove_relative 10 5"));
    const std::uintptr_t at = 210 | 155u << 16;
    ASSERT_TRUE(CollectUntil([&](auto&) { return Has(MouseWindow, 0, at); }));

    ASSERT_TRUE(Xdotool("click 1 click 3 click 2"));
    ASSERT_TRUE(CollectUntil([&](auto&) { return Has(MouseWindow, 8, at); }));
    // Left down 1, up 2; right down 4, up 5; middle down 7, up 8; in that order.
    std::vector<unsigned> clicks;
    for (const Message& m : got) {
        ASSERT_EQ(m.Window, MouseWindow) << "mouse input reached the keyboard receiver";
        if (m.Msg != WM_USER) {
            clicks.push_back(m.Msg - WM_USER);
            EXPECT_EQ(m.WParam, at);
            EXPECT_EQ(m.LParam, 0); // over the root window: no window under the pointer
        }
    }
    EXPECT_EQ(clicks, (std::vector<unsigned>{1, 2, 4, 5, 7, 8}));

    // The wheel counts as the mouse being used, not as a click.
    got.clear();
    ASSERT_TRUE(Xdotool("click 4"));
    ASSERT_TRUE(CollectUntil([&](auto&) { return Has(MouseWindow, 0, at); }));
    for (const Message& m : got)
        EXPECT_EQ(m.Msg, WM_USER);
}

TEST_F(HookLibrary, AnAbsoluteMoveAfterAPauseCountsAsMovement) {
    ASSERT_EQ(Attach(2, MouseWindow, 0), 0);
    // No raw event comes for an absolute move: the idle alarm reports it.
    ASSERT_TRUE(WaitUntil([] {
        std::uint64_t idle = 0;
        return os::QueryX11IdleMs(idle) && idle >= 800;
    }));
    ASSERT_TRUE(Xdotool("mousemove 321 123"));
    EXPECT_TRUE(CollectUntil([&](auto&) { return Has(MouseWindow, 0, 321 | 123u << 16); }));
    std::uint64_t idle = 0;
    ASSERT_TRUE(os::QueryX11IdleMs(idle));
    EXPECT_LT(idle, 800u); // the idle time restarted with the move
}

TEST_F(HookLibrary, RegistrationRules) {
    EXPECT_EQ(Attach(3, KeyWindow, 0), 87); // not a hook kind
    EXPECT_EQ(Attach(1, 99, 0), 1400);      // no such window
    EXPECT_EQ(LastError(), 1400);
    EXPECT_EQ(Attach(0x7701, KeyWindow, 0x7700), 0); // upper bytes carry no meaning
    EXPECT_EQ(Attach(1, KeyWindow, 1), -2);
    EXPECT_EQ(LastError(), -2);
    EXPECT_EQ(Attach(2, KeyWindow, 0), 0); // the other kind is another registration

    std::vector<std::uintptr_t> live{KeyWindow, MouseWindow};
    for (std::uintptr_t w = 100; w < 130; ++w)
        live.push_back(w);
    Inbox::SetLiveWindows(live);
    int accepted = 2;
    int code = 0;
    for (std::uintptr_t w = 100; w < 130 && code == 0; ++w)
        if ((code = Attach(2, static_cast<int>(w), 0)) == 0)
            ++accepted;
    EXPECT_EQ(code, -4);
    EXPECT_EQ(accepted, 16);

    for (std::uintptr_t w = 100; w < 130; ++w)
        Detach(2, static_cast<int>(w));
    EXPECT_EQ(Detach(2, KeyWindow), 0);
    EXPECT_EQ(Detach(2, KeyWindow), -3);
    EXPECT_EQ(LastError(), -3);
}

TEST_F(HookLibrary, ReceiversThatHaveGoneAreDroppedAndTheThreadEnds) {
    auto before = Threads();
    ASSERT_EQ(Attach(1, KeyWindow, 0), 0);
    ASSERT_EQ(Attach(2, MouseWindow, 0), 0);
    EXPECT_EQ(Threads().size(), before.size() + 1);

    Inbox::SetLiveWindows({KeyWindow}); // the mouse receiver's window was destroyed
    ASSERT_TRUE(Xdotool("click 1"));
    ASSERT_TRUE(WaitUntil([] { return Inbox::FailedPosts() > 0; }));
    int failed = Inbox::FailedPosts();
    ASSERT_TRUE(Xdotool("click 1 key b"));
    ASSERT_TRUE(CollectUntil([&](auto&) { return Find(KeyWindow, 0, 'B', true) != nullptr; }));
    EXPECT_EQ(Inbox::FailedPosts(), failed) << "posted again to a window that has gone";

    Inbox::SetLiveWindows({});
    ASSERT_TRUE(Xdotool("key c"));
    // With nobody left to tell, the library's thread and display connection go away.
    EXPECT_TRUE(WaitUntil([&] { return Threads().size() == before.size(); }));

    // A new registration brings it back.
    Inbox::SetLiveWindows({KeyWindow});
    ASSERT_EQ(Attach(1, KeyWindow, 0), 0);
    got.clear();
    ASSERT_TRUE(Xdotool("key d"));
    EXPECT_TRUE(CollectUntil([&](auto&) { return Find(KeyWindow, 0, 'D', false) != nullptr; }));
}

#if defined(__x86_64__)
TEST_F(HookLibrary, TheThreadSleepsWithoutATimeoutWhileNothingHappens) {
    auto before = Threads();
    ASSERT_EQ(Attach(1, KeyWindow, 0), 0);
    std::string tid;
    for (const std::string& t : Threads())
        if (before.count(t) == 0)
            tid = t;
    ASSERT_FALSE(tid.empty());
    std::string syscall;
    EXPECT_TRUE(WaitUntil([&] { return SleepsInPoll(tid, syscall); })) << syscall;
}
#endif
