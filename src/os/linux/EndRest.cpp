#include "os/linux/EndRest.h"

#include "os/linux/LinuxFd.h"
#include "os/linux/LinuxProcess.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace os {

namespace {

constexpr char Request[] = "end-rest\n";
constexpr char Delivered[] = "ok\n";
constexpr char NoHotKey[] = "no-hot-key\n";

bool FillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// True while some process holds the lock file (another start would find it taken).
bool LockHeld(const std::string& lockPath) {
    UniqueFd file(::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!file.Valid())
        return false;
    int locked;
    do
        locked = ::flock(file.Get(), LOCK_SH | LOCK_NB);
    while (locked != 0 && errno == EINTR);
    return locked != 0 && errno == EWOULDBLOCK;
}

void SendAll(int fd, const char* text) {
    std::size_t left = std::strlen(text);
    while (left > 0) {
        ssize_t n = ::send(fd, text, left, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        text += n;
        left -= static_cast<std::size_t>(n);
    }
}

// Reads one short line; empty when none comes within timeoutMs.
std::string ReadLine(int fd, int timeoutMs) {
    std::string line;
    char buffer[32];
    while (line.size() < 64 && line.find('\n') == std::string::npos) {
        pollfd p{fd, POLLIN, 0};
        int ready = ::poll(&p, 1, timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return {};
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return {};
        line.append(buffer, static_cast<std::size_t>(n));
    }
    return line;
}

} // namespace

std::string EndRestSocketPath(const std::string& lockPath) {
    const std::string suffix = ".lock";
    if (lockPath.size() >= suffix.size() &&
        lockPath.compare(lockPath.size() - suffix.size(), suffix.size(), suffix) == 0)
        return lockPath.substr(0, lockPath.size() - suffix.size()) + ".sock";
    return lockPath + ".sock";
}

EndRestResult RequestEndRest(const std::string& lockPath, int timeoutMs) {
    if (!LockHeld(lockPath))
        return EndRestResult::NoInstance;
    sockaddr_un address;
    if (!FillAddress(EndRestSocketPath(lockPath), address))
        return EndRestResult::NoAnswer;
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.Valid())
        return EndRestResult::NoAnswer;
    int connected;
    do
        connected =
            ::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    while (connected != 0 && errno == EINTR);
    if (connected != 0)
        return EndRestResult::NoAnswer; // a socket file left without a listener, or none
    SendAll(fd.Get(), Request);
    const std::string answer = ReadLine(fd.Get(), timeoutMs);
    if (answer == Delivered)
        return EndRestResult::Delivered;
    if (answer == NoHotKey)
        return EndRestResult::NoHotKey;
    return EndRestResult::NoAnswer;
}

int RunEndRestCommand(std::ostream& err) {
    const std::string lockPath = LinuxProcess::LockPath(InstanceLockName);
    switch (RequestEndRest(lockPath)) {
    case EndRestResult::Delivered:
        return 0;
    case EndRestResult::NoInstance:
        err << "Vistrel is not running, so there is no rest to end.\n";
        return 1;
    case EndRestResult::NoHotKey:
        err << "The running Vistrel has no F4 hot key; it cannot end a rest early.\n";
        return 2;
    case EndRestResult::NoAnswer:
        break;
    }
    err << "The running Vistrel does not answer at " << EndRestSocketPath(lockPath) << ".\n";
    return 3;
}

EndRestListener::EndRestListener(const std::string& lockPath, std::function<bool()> press)
    : path_(EndRestSocketPath(lockPath)), press_(std::move(press)) {
    sockaddr_un address;
    if (!FillAddress(path_, address))
        return; // a folder path too long for a socket: the command then reports no answer
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.Valid())
        return;
    // The lock is ours, so whatever is there was left by an instance that has ended.
    ::unlink(path_.c_str());
    // Only the user may connect, whatever the folder allows (the fallback /tmp is shared).
    const mode_t previous = ::umask(0177);
    const int bound = ::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::umask(previous);
    if (bound != 0 || ::listen(fd.Get(), 8) != 0)
        return;
    fd_ = fd.Release();
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Accept(); });
}

EndRestListener::~EndRestListener() {
    notifier_.reset();
    if (fd_ >= 0) {
        ::close(fd_);
        // Still under the lock (this goes before the lock is released): the file is ours.
        ::unlink(path_.c_str());
    }
}

void EndRestListener::Accept() {
    for (;;) {
        UniqueFd client(::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC));
        if (!client.Valid()) {
            if (errno == EINTR)
                continue;
            return; // EAGAIN: every waiting request is answered
        }
        ucred peer{};
        socklen_t size = sizeof peer;
        if (::getsockopt(client.Get(), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
            peer.uid != ::getuid())
            continue;
        // The command writes its request as it connects; one that does not is not waited for
        // long, since this runs on the main thread.
        if (ReadLine(client.Get(), 500) != Request)
            continue;
        const bool taken = press_ && press_();
        SendAll(client.Get(), taken ? Delivered : NoHotKey);
    }
}

LinuxProcess::CompanionFactory EndRestCompanions(std::function<bool()> pressF4) {
    return [pressF4 =
                std::move(pressF4)](const std::string& name,
                                    const std::string& lockPath) -> std::unique_ptr<LockCompanion> {
        if (name != InstanceLockName)
            return nullptr;
        return std::make_unique<EndRestListener>(lockPath, pressF4);
    };
}

} // namespace os
