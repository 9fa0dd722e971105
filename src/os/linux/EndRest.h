// The "--end-rest" command: a second start of the program asks the running instance to act
// as if F4 had been pressed, so that a Wayland compositor, where no client can grab a key, can
// bind F4 to it (sway: `bindsym F4 exec vistrel --end-rest`). The instance that holds the
// single-instance lock listens on a local socket beside the lock file; the request arrives as
// the hot key's own message, so whether F4 may end a rest is decided where it always is.
#pragma once

#include "os/linux/LinuxProcess.h"

#include <functional>
#include <memory>
#include <ostream>
#include <string>

class QSocketNotifier;

namespace os {

// The switch, and the name of the instance lock whose holder answers it.
inline constexpr const char* EndRestSwitch = "--end-rest";
inline constexpr const char* InstanceLockName = "Vistrel 3";

// The socket that belongs to a lock file (".lock" becomes ".sock").
std::string EndRestSocketPath(const std::string& lockPath);

enum class EndRestResult {
    Delivered,  // the instance took it as an F4 press
    NoInstance, // nothing holds the lock
    NoHotKey,   // the instance runs without an F4 hot key
    NoAnswer,   // the lock is held, but nothing (or something else) answers at the socket
};

// Asks the holder of the lock at lockPath. Waits at most timeoutMs for the answer.
EndRestResult RequestEndRest(const std::string& lockPath, int timeoutMs = 3000);

// Runs the command line's switch: the message for the user goes to err; returns the exit code
// (0 when delivered).
int RunEndRestCommand(std::ostream& err);

// The running instance's end: listens at the lock's socket while it exists. Call only while
// holding the lock, which makes any socket file there a leftover of an instance that has
// ended: it is replaced. Requests from other users are refused. press is run on the main
// thread for each request and says whether an F4 hot key took it.
class EndRestListener : public LockCompanion {
public:
    EndRestListener(const std::string& lockPath, std::function<bool()> press);
    ~EndRestListener() override;
    EndRestListener(const EndRestListener&) = delete;
    EndRestListener& operator=(const EndRestListener&) = delete;

    bool Listening() const { return fd_ >= 0; }

private:
    void Accept();

    std::string path_;
    std::function<bool()> press_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

// The companions of the process's locks: a listener beside the instance lock, whose requests
// pressF4 takes.
LinuxProcess::CompanionFactory EndRestCompanions(std::function<bool()> pressF4);

} // namespace os
