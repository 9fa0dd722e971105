// Helpers of the end-to-end tests under a virtual X display: xdotool, deadlines, and the
// message service the real hook library finds in this executable.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace e2e {

// Runs xdotool with the arguments; true when it succeeded.
bool Xdotool(const std::string& arguments);

// Calls check every 20 ms until it is true or the deadline passes; true when it became true.
bool WaitUntil(const std::function<bool()>& check,
               std::chrono::milliseconds deadline = std::chrono::seconds(5));

// The ids of this process's threads.
std::set<std::string> Threads();

// True when the thread is blocked in poll() on two descriptors without a timeout (x86-64);
// syscall gets what the kernel reports.
bool SleepsInPoll(const std::string& tid, std::string& syscall);

struct Message {
    std::uintptr_t Window;
    unsigned Msg;
    std::uintptr_t WParam;
    std::intptr_t LParam;
};

// What the hook library posted through VistrelPostMessage, in order, from any thread.
class Inbox {
public:
    // Windows the service reports as existing; posts to others fail and are counted.
    static void SetLiveWindows(std::vector<std::uintptr_t> windows);
    static std::vector<Message> Take();
    static int FailedPosts();
    static void Clear();
};

} // namespace e2e
