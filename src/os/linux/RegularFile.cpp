#include "os/linux/RegularFile.h"

#include "os/linux/LinuxFd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace os {

bool ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& content) {
    content.clear();
    // Without O_NONBLOCK, opening a named pipe waits for a writer that may never come.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    char buffer[65536];
    while (content.size() < maxBytes) {
        std::size_t want = maxBytes - content.size();
        const ssize_t n = ::read(fd.Get(), buffer, want < sizeof buffer ? want : sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace os
