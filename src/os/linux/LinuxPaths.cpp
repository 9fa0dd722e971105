#include "os/linux/LinuxPaths.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace os {

namespace {

// An environment variable that names an absolute path; relative values are to be ignored.
std::string AbsoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/')
        return {};
    return value;
}

std::string StripTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

std::string HomeDir() {
    std::string home = AbsoluteEnv("HOME");
    if (!home.empty())
        return StripTrailingSlashes(home);
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* result = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &result) == 0 &&
        result != nullptr && result->pw_dir != nullptr && result->pw_dir[0] == '/')
        return StripTrailingSlashes(result->pw_dir);
    return {};
}

std::string XdgDataHome() {
    std::string dir = AbsoluteEnv("XDG_DATA_HOME");
    if (!dir.empty())
        return StripTrailingSlashes(dir);
    std::string home = HomeDir();
    return home.empty() ? std::string() : home + "/.local/share";
}

std::string XdgConfigHome() {
    std::string dir = AbsoluteEnv("XDG_CONFIG_HOME");
    if (!dir.empty())
        return StripTrailingSlashes(dir);
    std::string home = HomeDir();
    return home.empty() ? std::string() : home + "/.config";
}

std::string RuntimeDir() {
    std::string dir = AbsoluteEnv("XDG_RUNTIME_DIR");
    return dir.empty() ? std::string("/tmp") : StripTrailingSlashes(dir);
}

bool MakeFolders(const std::string& path) {
    if (path.empty())
        return false;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode);
    const std::size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash)))
        return false;
    if (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST)
        return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    return false;
}

std::string NamePart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace os
