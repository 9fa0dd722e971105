#include "os/linux/LinuxFileSystem.h"

#include "os/common/StdFileSystem.h"
#include "os/linux/LinuxFd.h"
#include "os/linux/LinuxPaths.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace os {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using UniqueDir = std::unique_ptr<DIR, DirCloser>;

DWORD AttributesOf(const std::string& name, const struct stat& info) {
    DWORD attributes = 0;
    if (S_ISDIR(info.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    else if (S_ISREG(info.st_mode))
        attributes |= FILE_ATTRIBUTE_ARCHIVE;
    else
        attributes |= FILE_ATTRIBUTE_DEVICE;
    if (!name.empty() && name[0] == '.' && name != "." && name != "..")
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    if ((info.st_mode & S_IWUSR) == 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

[[noreturn]] void ThrowFileError(const char* what, const std::string& path, int error) {
    throw EFileError(std::string(what) + " \"" + path + "\". " + std::strerror(error));
}

bool WriteAll(int fd, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::atomic<unsigned> tempCounter{0};

} // namespace

bool LinuxFileSystem::FileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool LinuxFileSystem::DirectoryExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<FindEntry> LinuxFileSystem::FindFiles(const std::string& folder,
                                                  const std::string& mask) {
    std::vector<FindEntry> entries;
    UniqueDir dir(::opendir(folder.empty() ? "." : folder.c_str()));
    if (!dir)
        return entries;
    const int dirFd = ::dirfd(dir.get());
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (!MatchesMask(name, mask))
            continue;
        struct stat info {};
        // A dangling link still shows in a search; it is reported as the link itself.
        if (::fstatat(dirFd, entry->d_name, &info, 0) != 0 &&
            ::fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        entries.push_back({name, AttributesOf(name, info)});
    }
    return entries;
}

bool LinuxFileSystem::DeleteFile(const std::string& path) {
    return !path.empty() && ::unlink(path.c_str()) == 0;
}

bool LinuxFileSystem::ReadFile(const std::string& path, std::string& content) {
    content.clear();
    struct stat info {};
    // Only a regular file is read: opening a named pipe would wait for a writer.
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return false;
        ThrowFileError("Cannot open file", path, error);
    }
    if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false; // replaced by something else since
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            content.clear();
            ThrowFileError("Cannot open file", path, error);
        }
        content.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

void LinuxFileSystem::WriteFile(const std::string& path, const std::string& content) {
    if (path.empty())
        ThrowFileError("Cannot create file", path, ENOENT);
    struct stat old {};
    const bool replacing = ::stat(path.c_str(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode))
        ThrowFileError("Cannot create file", path, EISDIR);

    // The temporary file is created with the usual permissions (the umask applies); a
    // replaced file keeps its own.
    std::string temp;
    UniqueFd fd;
    for (int attempt = 0; attempt < 100 && !fd.Valid(); ++attempt) {
        temp = FolderOf(path) + "/." + NamePart(path) + "." + std::to_string(::getpid()) + "." +
               std::to_string(++tempCounter) + ".tmp";
        fd.Reset(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd.Valid() && errno != EEXIST)
            break;
    }
    if (!fd.Valid())
        ThrowFileError("Cannot create file", path, errno);
    int error = 0;
    if ((replacing && ::fchmod(fd.Get(), old.st_mode & 07777) != 0) ||
        !WriteAll(fd.Get(), content) || ::fsync(fd.Get()) != 0)
        error = errno;
    if (error == 0 && ::close(fd.Release()) != 0)
        error = errno;
    if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        ThrowFileError("Cannot create file", path, error);
    }
}

} // namespace os
