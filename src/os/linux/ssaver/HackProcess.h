// One screen-saver program (a "hack") drawing into a window, in a process group of its own so
// that the helpers it starts end with it.
#pragma once

#include <string>
#include <sys/types.h>

namespace ssaver {

class HackProcess {
public:
    HackProcess() = default;
    ~HackProcess() { Stop(); }
    HackProcess(const HackProcess&) = delete;
    HackProcess& operator=(const HackProcess&) = delete;

    // Runs "hack -window-id <window>"; false when the program could not be executed.
    bool Start(const std::string& hackPath, unsigned long window);
    // True once the process has ended (it is then reaped).
    bool Ended();
    // After Ended: true when the hack ended by itself with status 0.
    bool Succeeded() const;
    // Ends the hack and everything it started: SIGTERM, then SIGKILL after a second.
    void Stop();

private:
    pid_t pid_ = -1;
    bool ended_ = false;
    int status_ = 0;
};

// Signals that end the host (SIGTERM, SIGINT, SIGHUP) and SIGCHLD, turned into bytes on a pipe
// so that one poll waits for them and for the display. Installed once, at start.
void InstallSignalPipe();
int SignalPipeFd();
// Reads what has arrived; the number of a terminating signal, or 0.
int TakeSignals();

// The process group to end when the display connection breaks, or 0.
void SetHackGroupForEmergencies(pid_t group);
pid_t HackGroupForEmergencies();

} // namespace ssaver
