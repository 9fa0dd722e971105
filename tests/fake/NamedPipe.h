// A named pipe nobody writes to, for checking that a reader of user files never opens one and
// waits. A call that does block is released (a writer comes and goes) so the test can fail
// instead of hanging.
#pragma once

#include <chrono>
#include <fcntl.h>
#include <future>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace testpipe {

inline std::string MakeNamedPipe(const std::string& path) {
    if (::mkfifo(path.c_str(), 0644) != 0)
        throw std::runtime_error("mkfifo " + path + " failed");
    return path;
}

// True when call returned within two seconds on its own; false when it was blocked on the pipe.
template <class Call>
bool ReturnsWithoutAWriter(const std::string& pipe, Call call) {
    auto done = std::async(std::launch::async, call);
    if (done.wait_for(std::chrono::seconds(2)) == std::future_status::ready) {
        done.get();
        return true;
    }
    for (;;) {
        int fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0)
            ::close(fd);
        if (done.wait_for(std::chrono::milliseconds(100)) == std::future_status::ready)
            break;
    }
    done.get();
    return false;
}

} // namespace testpipe
