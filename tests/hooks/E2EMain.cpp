// Entry of the end-to-end tests of the hook library and the hot key. With --grab-key it is a
// separate X client instead that tries to grab a key (see GrabKeyElsewhere).
#include "E2ESupport.h"
#include "os/linux/MessageService.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <X11/Xlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace e2e {

namespace {

std::mutex inboxMutex;
std::vector<Message> received;
std::vector<std::uintptr_t> liveWindows;
int failedPosts = 0;

bool grabFailed = false;
int TrapGrabError(Display*, XErrorEvent*) {
    grabFailed = true;
    return 0;
}

// Grabs F4 (with the lock combinations) on a connection of its own, then writes "ok" or
// "refused" to the result file and, when holding, keeps the grab until stdin closes.
int GrabKeyElsewhere(const char* resultFile, bool hold) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return 2;
    XSetErrorHandler(&TrapGrabError);
    int keycode = XKeysymToKeycode(display, XStringToKeysym("F4"));
    for (unsigned lock :
         {0u, unsigned(Mod2Mask), unsigned(LockMask), unsigned(Mod2Mask | LockMask)})
        XGrabKey(display, keycode, lock, DefaultRootWindow(display), False, GrabModeAsync,
                 GrabModeAsync);
    XSync(display, False);
    std::string tmp = std::string(resultFile) + ".tmp";
    if (FILE* f = std::fopen(tmp.c_str(), "w")) {
        std::fputs(grabFailed ? "refused" : "ok", f);
        std::fclose(f);
        std::rename(tmp.c_str(), resultFile);
    }
    if (hold) {
        char buffer[64];
        while (read(0, buffer, sizeof buffer) > 0) {
        }
    }
    XCloseDisplay(display);
    return 0;
}

} // namespace

bool Xdotool(const std::string& arguments) {
    return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

bool WaitUntil(const std::function<bool()>& check, std::chrono::milliseconds deadline) {
    auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        if (QCoreApplication::instance() != nullptr)
            QCoreApplication::processEvents();
        if (check())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::set<std::string> Threads() {
    std::set<std::string> tids;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                tids.insert(entry->d_name);
        closedir(dir);
    }
    return tids;
}

bool SleepsInPoll(const std::string& tid, std::string& syscall) {
    // poll(fds, 2, -1): syscall 7 with the timeout argument -1, or 219 (restart_syscall) when
    // a signal interrupted it and the kernel resumed it with the same arguments.
    std::ifstream in("/proc/self/task/" + tid + "/syscall");
    std::getline(in, syscall);
    std::istringstream words(syscall);
    std::string number, fds, count, timeout;
    words >> number >> fds >> count >> timeout;
    return (number == "7" || number == "219") && count == "0x2" &&
           (timeout == "0xffffffff" || timeout == "0xffffffffffffffff");
}

void Inbox::SetLiveWindows(std::vector<std::uintptr_t> windows) {
    std::lock_guard lock(inboxMutex);
    liveWindows = std::move(windows);
}

std::vector<Message> Inbox::Take() {
    std::lock_guard lock(inboxMutex);
    return std::exchange(received, {});
}

int Inbox::FailedPosts() {
    std::lock_guard lock(inboxMutex);
    return failedPosts;
}

void Inbox::Clear() {
    std::lock_guard lock(inboxMutex);
    received.clear();
    failedPosts = 0;
}

} // namespace e2e

// The program's message service, as the hook library looks it up in the executable.
extern "C" int VistrelPostMessage(uintptr_t window, unsigned int msg, uintptr_t wParam,
                                  intptr_t lParam) {
    std::lock_guard lock(e2e::inboxMutex);
    if (std::find(e2e::liveWindows.begin(), e2e::liveWindows.end(), window) ==
        e2e::liveWindows.end()) {
        ++e2e::failedPosts;
        return 0;
    }
    e2e::received.push_back({window, msg, wParam, lParam});
    return 1;
}

extern "C" int VistrelIsWindow(uintptr_t window) {
    std::lock_guard lock(e2e::inboxMutex);
    return std::find(e2e::liveWindows.begin(), e2e::liveWindows.end(), window) !=
                   e2e::liveWindows.end()
               ? 1
               : 0;
}

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--grab-key") == 0)
        return e2e::GrabKeyElsewhere(argv[2], std::strcmp(argv[3], "hold") == 0);
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
        std::fprintf(stderr, "no DISPLAY: run under tests/e2e/lib/xsession.sh "
                             "(or tests/hooks/wayland_hook.sh)\n");
        return 1;
    }
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
