// The hot key on a virtual X display: a key grab on the root window, while another client's
// window has the focus, and refused while another client holds the key.
#include "E2ESupport.h"
#include "FakePlatform.h"
#include "os/linux/LinuxHotKeys.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <X11/keysym.h>

using namespace e2e;

namespace {

// A window of another client that has the keyboard focus and records the keys it gets.
class FocusWindow {
public:
    FocusWindow() : display_(XOpenDisplay(nullptr)) {
        if (display_ == nullptr)
            return;
        window_ =
            XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 200, 100, 0, 0, 0);
        XSelectInput(display_, window_, KeyPressMask | StructureNotifyMask);
        XMapWindow(display_, window_);
        XSync(display_, False);
        mapped_ = WaitUntil([this] {
            Drain();
            return mapped_;
        });
        XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
        XSync(display_, False);
    }
    ~FocusWindow() {
        if (display_ != nullptr)
            XCloseDisplay(display_);
    }
    FocusWindow(const FocusWindow&) = delete;
    FocusWindow& operator=(const FocusWindow&) = delete;

    bool Ready() const { return display_ != nullptr && mapped_; }
    // How many presses of the key (any modifiers) reached the window so far.
    int Presses(KeySym keysym) {
        XSync(display_, False);
        Drain();
        KeyCode code = XKeysymToKeycode(display_, keysym);
        return presses_[code];
    }

private:
    void Drain() {
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == MapNotify)
                mapped_ = true;
            else if (event.type == KeyPress)
                ++presses_[event.xkey.keycode & 0xFF];
        }
    }
    Display* display_;
    Window window_ = 0;
    bool mapped_ = false;
    int presses_[256] = {};
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::string text;
    std::getline(in, text);
    return text;
}

std::string SelfPath() {
    char path[4096] = {};
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : std::string();
}

class HotKey : public ::testing::Test {
protected:
    HotKey() {
        window = p.Loop_.CreateMessageWindow([this](os::UINT msg, os::WPARAM w, os::LPARAM l) {
            if (msg == os::WM_HOTKEY)
                hotKeys.push_back({w, l});
            return os::LRESULT{0};
        });
        id = keys.GlobalAddAtom("VistrelHotKey");
        result = p.Root + "/grab-result";
    }

    bool HotKeyCount(std::size_t n) {
        return WaitUntil([&] {
            p.Loop_.ProcessMessages();
            return hotKeys.size() >= n;
        });
    }
    // Another X client (a process of its own) tries to grab F4.
    std::string GrabElsewhere() {
        std::remove(result.c_str());
        std::string command = SelfPath() + " --grab-key " + result + " once";
        if (std::system(command.c_str()) != 0)
            return "failed to run";
        return ReadAll(result);
    }

    fake::FakePlatform p; // the loop the hot key posts to
    os::LinuxHotKeys keys;
    os::HWND window = 0;
    int id = 0;
    std::string result;
    std::vector<std::pair<os::WPARAM, os::LPARAM>> hotKeys;
};

} // namespace

TEST_F(HotKey, F4ReachesTheProgramWhileAnotherWindowHasTheFocus) {
    FocusWindow focus;
    ASSERT_TRUE(focus.Ready());
    ASSERT_TRUE(keys.RegisterHotKey(window, id, 0, os::VK_F4));

    // The focus window does get keys: so F4 not reaching it is the grab's doing.
    ASSERT_TRUE(Xdotool("key a"));
    ASSERT_TRUE(WaitUntil([&] { return focus.Presses(XK_a) == 1; }));

    ASSERT_TRUE(Xdotool("key F4"));
    ASSERT_TRUE(HotKeyCount(1));
    EXPECT_EQ(hotKeys[0].first, static_cast<os::WPARAM>(id));
    EXPECT_EQ(hotKeys[0].second, static_cast<os::LPARAM>(os::VK_F4 << 16));

    // With Num Lock or Caps Lock on it still works.
    ASSERT_TRUE(Xdotool("key Num_Lock F4 Num_Lock"));
    ASSERT_TRUE(HotKeyCount(2));
    ASSERT_TRUE(Xdotool("key Caps_Lock F4 Caps_Lock"));
    ASSERT_TRUE(HotKeyCount(3));
    EXPECT_EQ(focus.Presses(XK_F4), 0);

    // With a modifier it is another key: it goes to the focus window.
    ASSERT_TRUE(Xdotool("key shift+F4"));
    ASSERT_TRUE(WaitUntil([&] { return focus.Presses(XK_F4) == 1; }));
    p.Loop_.ProcessMessages();
    EXPECT_EQ(hotKeys.size(), 3u);

    EXPECT_TRUE(keys.UnregisterHotKey(window, id));
    ASSERT_TRUE(Xdotool("key F4"));
    ASSERT_TRUE(WaitUntil([&] { return focus.Presses(XK_F4) == 2; }));
    EXPECT_EQ(hotKeys.size(), 3u);
}

TEST_F(HotKey, ASecondGrabOfTheKeyFailsUntilItIsReleased) {
    ASSERT_TRUE(keys.RegisterHotKey(window, id, 0, os::VK_F4));
    EXPECT_EQ(GrabElsewhere(), "refused");
    ASSERT_TRUE(keys.UnregisterHotKey(window, id));
    EXPECT_EQ(GrabElsewhere(), "ok");
}

TEST_F(HotKey, RegistrationFailsCleanlyWhileAnotherClientHoldsTheKey) {
    std::remove(result.c_str());
    FILE* holder = popen((SelfPath() + " --grab-key " + result + " hold").c_str(), "w");
    ASSERT_NE(holder, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !ReadAll(result).empty(); }));
    ASSERT_EQ(ReadAll(result), "ok");
    EXPECT_FALSE(keys.RegisterHotKey(window, id, 0, os::VK_F4));
    pclose(holder); // the holder lets go and ends

    EXPECT_TRUE(keys.RegisterHotKey(window, id, 0, os::VK_F4));
    // Nothing of the failed attempt stayed behind: a single press, a single message.
    ASSERT_TRUE(Xdotool("key F4"));
    ASSERT_TRUE(HotKeyCount(1));
    EXPECT_TRUE(keys.UnregisterHotKey(window, id));
}

TEST_F(HotKey, AtomsAndRegistrations) {
    EXPECT_GE(id, 0xC000);
    EXPECT_EQ(keys.GlobalAddAtom("vistrelhotkey"), id);
    EXPECT_NE(keys.GlobalAddAtom("Another"), id);

    ASSERT_TRUE(keys.RegisterHotKey(window, id, 0, os::VK_F4));
    EXPECT_FALSE(keys.RegisterHotKey(window, id, 0, 0x74));          // id in use
    EXPECT_FALSE(keys.RegisterHotKey(window, id + 1, 0, os::VK_F4)); // key in use
    EXPECT_TRUE(keys.RegisterHotKey(window, id + 1, os::MOD_CONTROL, os::VK_F4));
    EXPECT_FALSE(keys.UnregisterHotKey(window, id + 2));
    EXPECT_TRUE(keys.UnregisterHotKey(window, id + 1));
    EXPECT_TRUE(keys.UnregisterHotKey(window, id));
}
