#include "ssaver/HackProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace ssaver {

namespace {

int signalPipe[2] = {-1, -1};
volatile sig_atomic_t emergencyGroup = 0;

void OnSignal(int signal) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

pid_t WaitRetrying(pid_t pid, int* status, int options) {
    pid_t result;
    do
        result = ::waitpid(pid, status, options);
    while (result < 0 && errno == EINTR);
    return result;
}

} // namespace

void InstallSignalPipe() {
    if (signalPipe[0] >= 0)
        return;
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGCHLD})
        ::sigaction(signal, &action, nullptr);
}

int SignalPipeFd() {
    return signalPipe[0];
}

int TakeSignals() {
    int terminating = 0;
    unsigned char bytes[64];
    ssize_t n;
    while ((n = ::read(signalPipe[0], bytes, sizeof bytes)) > 0)
        for (ssize_t i = 0; i < n; ++i)
            if (bytes[i] != SIGCHLD)
                terminating = bytes[i];
    return terminating;
}

void SetHackGroupForEmergencies(pid_t group) {
    emergencyGroup = group;
}

pid_t HackGroupForEmergencies() {
    return emergencyGroup;
}

bool HackProcess::Start(const std::string& hackPath, unsigned long window) {
    char windowText[32];
    std::snprintf(windowText, sizeof windowText, "0x%lx", window);
    // Prepared before the fork: the child may only make async-signal-safe calls.
    const char* argv[] = {hackPath.c_str(), "-window-id", windowText, nullptr};

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (child == 0) {
        ::setpgid(0, 0);
        // A host killed outright must not leave the hack drawing.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execv(hackPath.c_str(), const_cast<char* const*>(argv));
        const int error = errno;
        [[maybe_unused]] const ssize_t n = ::write(fds[1], &error, sizeof error);
        ::_exit(127);
    }
    ::setpgid(child, child); // both sides, so the group exists whoever runs first
    ::close(fds[1]);
    int error = 0;
    ssize_t n;
    do
        n = ::read(fds[0], &error, sizeof error);
    while (n < 0 && errno == EINTR);
    ::close(fds[0]);
    pid_ = child;
    ended_ = false;
    if (n == static_cast<ssize_t>(sizeof error)) {
        WaitRetrying(child, &status_, 0);
        ended_ = true;
        errno = error;
        return false;
    }
    SetHackGroupForEmergencies(child);
    return true;
}

bool HackProcess::Ended() {
    if (pid_ <= 0 || ended_)
        return true;
    const pid_t result = WaitRetrying(pid_, &status_, WNOHANG);
    if (result == pid_ || (result < 0 && errno == ECHILD))
        ended_ = true;
    return ended_;
}

bool HackProcess::Succeeded() const {
    return ended_ && WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
}

void HackProcess::Stop() {
    if (pid_ <= 0)
        return;
    if (!Ended()) {
        ::kill(-pid_, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (!Ended() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!Ended()) {
            ::kill(-pid_, SIGKILL);
            WaitRetrying(pid_, &status_, 0);
            ended_ = true;
        }
    }
    SetHackGroupForEmergencies(0);
    pid_ = -1;
}

} // namespace ssaver
