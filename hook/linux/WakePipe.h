// A pipe whose read end a watcher thread polls beside its connection, so that another
// thread can wake it to end.
#pragma once

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace hook {

class WakePipe {
public:
    WakePipe() = default;
    ~WakePipe() { Close(); }
    WakePipe(const WakePipe&) = delete;
    WakePipe& operator=(const WakePipe&) = delete;

    // False when the system has no descriptors left.
    bool Open() {
        Close();
        int fds[2];
        if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
            return false;
        read_ = fds[0];
        write_ = fds[1];
        return true;
    }
    void Wake() {
        if (write_ < 0)
            return;
        char byte = 1;
        while (write(write_, &byte, 1) < 0 && errno == EINTR) {
        }
    }
    void Close() {
        if (read_ >= 0)
            close(read_);
        if (write_ >= 0)
            close(write_);
        read_ = write_ = -1;
    }
    // Readable once woken.
    int ReadEnd() const { return read_; }

private:
    int read_ = -1;
    int write_ = -1;
};

} // namespace hook
