#include "os/linux/LinuxProcess.h"

#include "os/common/CommandLine.h"
#include "os/linux/LinuxPaths.h"
#include "os/linux/LinuxSystemInfo.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace os {

namespace {

constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD SE_ERR_NOASSOC = 31;
constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr UINT WinExecStarted = 33;

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// "http:", "mailto:" and the like; a single letter before the colon would be a drive.
bool IsUrl(const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon < 2)
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = text[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool digit = c >= '0' && c <= '9';
        if (!letter && (i == 0 || !(digit || c == '+' || c == '-' || c == '.')))
            return false;
    }
    return true;
}

void WriteError(int fd, int error) {
    [[maybe_unused]] const ssize_t n = ::write(fd, &error, sizeof error);
}

// Runs in the forked child: only async-signal-safe calls from here on.
[[noreturn]] void ExecChild(const char* program, char* const* argv, const char* directory,
                            int errorFd) {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    ::setsid();
    if (directory != nullptr && ::chdir(directory) != 0) {
        WriteError(errorFd, errno);
        ::_exit(127);
    }
    ::execve(program, argv, environ);
    WriteError(errorFd, errno);
    ::_exit(127);
}

pid_t WaitRetrying(pid_t pid, int* status, int options) {
    pid_t result;
    do
        result = ::waitpid(pid, status, options);
    while (result < 0 && errno == EINTR);
    return result;
}

DWORD ErrorOf(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return ERROR_ACCESS_DENIED;
    default:
        return ERROR_FILE_NOT_FOUND;
    }
}

} // namespace

bool SpawnProgram(const std::string& program, const std::vector<std::string>& argv,
                  const std::string& directory, bool detached, pid_t& pid) {
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const char* dir = directory.empty() ? nullptr : directory.c_str();

    // The child reports a failed exec through this pipe; a successful one closes it.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);

    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        if (detached) {
            // The grandchild runs the program; the child ends at once, so the program is
            // adopted and reaped by the system.
            const pid_t grandchild = ::fork();
            if (grandchild < 0) {
                WriteError(fds[1], errno);
                ::_exit(127);
            }
            if (grandchild > 0)
                ::_exit(0);
        }
        ExecChild(program.c_str(), args.data(), dir, fds[1]);
    }
    writeEnd.Reset();
    if (detached)
        WaitRetrying(child, nullptr, 0);

    int error = 0;
    ssize_t n;
    do
        n = ::read(readEnd.Get(), &error, sizeof error);
    while (n < 0 && errno == EINTR);
    if (n == static_cast<ssize_t>(sizeof error)) {
        if (!detached)
            WaitRetrying(child, nullptr, 0);
        errno = error;
        return false;
    }
    pid = child;
    return true;
}

LinuxProcess::LinuxProcess(std::function<std::string()> systemFolder)
    : systemFolder_(std::move(systemFolder)) {
    if (!systemFolder_)
        systemFolder_ = [] { return LinuxSystemInfo().GetSystemDirectory(); };
}

LinuxProcess::~LinuxProcess() {
    std::lock_guard lock(mutex_);
    for (auto& [id, handle] : handles_)
        if (handle.Process.Pid > 0 && !handle.Process.Ended)
            orphans_.push_back(handle.Process.Pid);
    handles_.clear();
    ReapOrphans();
}

std::string LinuxProcess::FindProgram(const std::string& name) {
    if (name.empty())
        return {};
    if (name.find('/') != std::string::npos)
        return name;
    std::vector<std::string> folders;
    const std::string system = systemFolder_();
    if (!system.empty())
        folders.push_back(system);
    if (const char* path = std::getenv("PATH")) {
        std::string list = path;
        std::size_t start = 0;
        while (start <= list.size()) {
            std::size_t end = list.find(':', start);
            if (end == std::string::npos)
                end = list.size();
            // An empty PATH element stands for the current folder.
            folders.push_back(end > start ? list.substr(start, end - start) : ".");
            start = end + 1;
        }
    }
    for (const std::string& folder : folders) {
        std::string candidate = folder;
        candidate += '/';
        candidate += name;
        if (IsExecutableFile(candidate))
            return candidate;
    }
    return {};
}

bool LinuxProcess::ResolveOpen(const std::string& file, std::string& target, bool& viaOpener) {
    target = file;
    viaOpener = true;
    if (file.empty())
        return false;
    if (IsUrl(file))
        return true;
    if (file.find('/') == std::string::npos) {
        const std::string found = FindProgram(file);
        if (!found.empty())
            target = found;
    }
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0)
        return false;
    viaOpener = !IsExecutableFile(target);
    return true;
}

bool LinuxProcess::Start(const std::string& verb, const std::string& file,
                         const std::string& parameters, const std::string& directory, bool detached,
                         pid_t& pid) {
    if (!verb.empty() && verb != "open") {
        SetLastError(SE_ERR_NOASSOC);
        return false;
    }
    std::string target;
    bool viaOpener = false;
    if (!ResolveOpen(file, target, viaOpener)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    std::string program = target;
    std::vector<std::string> argv{target};
    if (viaOpener) {
        program = FindProgram("xdg-open");
        if (program.empty()) {
            SetLastError(SE_ERR_NOASSOC);
            return false;
        }
        argv = {"xdg-open", target};
    } else {
        for (auto& word : SplitArguments(parameters))
            argv.push_back(std::move(word));
    }
    if (!SpawnProgram(program, argv, directory, detached, pid)) {
        SetLastError(ErrorOf(errno));
        return false;
    }
    SetLastError(0);
    return true;
}

UINT LinuxProcess::WinExec(const std::string& commandLine, int /*show*/) {
    {
        std::lock_guard lock(mutex_);
        ReapOrphans();
    }
    std::vector<std::string> argv = SplitCommandLine(commandLine);
    const std::string program = argv.empty() ? std::string() : FindProgram(argv[0]);
    if (program.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return ERROR_FILE_NOT_FOUND;
    }
    pid_t pid = -1;
    if (!SpawnProgram(program, argv, {}, true, pid)) {
        SetLastError(ErrorOf(errno));
        return ERROR_FILE_NOT_FOUND;
    }
    SetLastError(0);
    return WinExecStarted;
}

bool LinuxProcess::ShellExecute(HWND /*parent*/, const std::string& verb, const std::string& file,
                                const std::string& parameters, const std::string& directory,
                                int /*show*/) {
    {
        std::lock_guard lock(mutex_);
        ReapOrphans();
    }
    pid_t pid = -1;
    return Start(verb, file, parameters, directory, true, pid);
}

bool LinuxProcess::ShellExecuteEx(HWND /*owner*/, const std::string& verb, const std::string& file,
                                  const std::string& parameters, int /*show*/, HANDLE& process) {
    {
        std::lock_guard lock(mutex_);
        ReapOrphans();
    }
    process = 0;
    pid_t pid = -1;
    if (!Start(verb, file, parameters, {}, false, pid))
        return false;
    Handle handle;
    handle.Process.Pid = pid;
#ifdef SYS_pidfd_open
    handle.Process.PidFd.Reset(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
#endif
    process = Add(std::move(handle));
    return true;
}

HANDLE LinuxProcess::Add(Handle handle) {
    std::lock_guard lock(mutex_);
    const HANDLE id = nextHandle_++;
    handles_.emplace(id, std::move(handle));
    return id;
}

void LinuxProcess::Reap(Child& child, bool block) {
    if (child.Ended)
        return;
    const pid_t result = WaitRetrying(child.Pid, nullptr, block ? 0 : WNOHANG);
    // ECHILD: someone else collected it (SIGCHLD ignored), so it has ended all the same.
    if (result == child.Pid || (result < 0 && errno == ECHILD)) {
        child.Ended = true;
        child.PidFd.Reset();
    }
}

void LinuxProcess::ReapOrphans() {
    std::erase_if(orphans_, [](pid_t pid) {
        const pid_t result = WaitRetrying(pid, nullptr, WNOHANG);
        return result == pid || (result < 0 && errno == ECHILD);
    });
}

DWORD LinuxProcess::WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    std::unique_lock lock(mutex_);
    ReapOrphans();
    using Clock = std::chrono::steady_clock;
    const bool forever = milliseconds == INFINITE;
    const auto deadline = Clock::now() + std::chrono::milliseconds(forever ? 0 : milliseconds);
    for (;;) {
        // Looked up anew after every wait: another thread may have closed it meanwhile.
        const auto found = handles_.find(handle);
        if (found == handles_.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        SetLastError(0);
        Child& child = found->second.Process;
        if (child.Pid <= 0)
            return WAIT_OBJECT_0; // a lock this process holds
        Reap(child, false);
        if (child.Ended)
            return WAIT_OBJECT_0;
        long remaining = 0;
        if (!forever) {
            remaining = static_cast<long>(
                std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count());
            if (remaining <= 0)
                return WAIT_TIMEOUT;
        }
        if (child.PidFd.Valid()) {
            pollfd ready{child.PidFd.Get(), POLLIN, 0};
            const int slice = forever ? -1 : static_cast<int>(std::min(remaining, 1L << 30));
            lock.unlock();
            const bool failed = ::poll(&ready, 1, slice) < 0 && errno != EINTR;
            lock.lock();
            if (failed) {
                const auto again = handles_.find(handle);
                if (again != handles_.end())
                    again->second.Process.PidFd.Reset(); // fall back to polling below
            }
        } else {
            lock.unlock();
            std::this_thread::sleep_for(
                std::chrono::milliseconds(forever ? 5 : std::min(remaining, 5L)));
            lock.lock();
        }
    }
}

void LinuxProcess::CloseHandle(HANDLE handle) {
    std::lock_guard lock(mutex_);
    const auto found = handles_.find(handle);
    if (found == handles_.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return;
    }
    Child& child = found->second.Process;
    if (child.Pid > 0) {
        Reap(child, false);
        if (!child.Ended)
            orphans_.push_back(child.Pid);
    }
    handles_.erase(found); // closing the lock file releases the lock
    ReapOrphans();
    SetLastError(0);
}

std::string LinuxProcess::LockPath(const std::string& name) {
    std::string safe = name;
    for (char& c : safe) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        if (!plain)
            c = '_';
    }
    return RuntimeDir() + "/" + safe + "-" + std::to_string(::getuid()) + ".lock";
}

HANDLE LinuxProcess::CreateMutex(const std::string& name, bool& alreadyExists) {
    {
        std::lock_guard lock(mutex_);
        ReapOrphans();
    }
    alreadyExists = false;
    Handle handle;
    if (!name.empty()) {
        // No links followed: the folder may be shared with other users.
        handle.LockFile.Reset(
            ::open(LockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!handle.LockFile.Valid()) {
            SetLastError(ErrorOf(errno));
            return 0;
        }
        int locked;
        do
            locked = ::flock(handle.LockFile.Get(), LOCK_EX | LOCK_NB);
        while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            if (errno != EWOULDBLOCK) {
                SetLastError(ErrorOf(errno));
                return 0;
            }
            alreadyExists = true;
        }
        if (!alreadyExists && companion_)
            handle.Companion = companion_(name, LockPath(name));
    }
    const HANDLE id = Add(std::move(handle));
    SetLastError(alreadyExists ? ERROR_ALREADY_EXISTS : 0);
    return id;
}

namespace {
// As the system's, the last error is each thread's own.
thread_local DWORD lastError = 0;
} // namespace

void LinuxProcess::SetLastError(DWORD code) {
    lastError = code;
}

DWORD LinuxProcess::GetLastError() {
    return lastError;
}

} // namespace os
