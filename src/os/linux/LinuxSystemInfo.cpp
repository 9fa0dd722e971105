#include "os/linux/LinuxSystemInfo.h"

#include "os/linux/LinuxLocale.h"
#include "os/linux/LinuxPaths.h"
#include "os/linux/WaylandSession.h"
#include "os/linux/X11Idle.h"

#include <cstdlib>
#include <langinfo.h>
#include <locale.h>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace os {

namespace {

std::string NonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

// The user's LC_TIME format of one item; the C locale's when the user's is not installed.
std::string TimeFormat(nl_item item, const char* fallback) {
    locale_t locale = ::newlocale(LC_TIME_MASK, "", nullptr);
    if (locale == nullptr)
        return fallback;
    const char* format = ::nl_langinfo_l(item, locale);
    std::string result = format != nullptr && format[0] != '\0' ? format : fallback;
    ::freelocale(locale);
    return result;
}

} // namespace

std::string LinuxSystemInfo::GetModuleFileName() {
    std::vector<char> buffer(4096);
    std::string path;
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<std::size_t>(n) < buffer.size()) {
            path.assign(buffer.data(), static_cast<std::size_t>(n));
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    // A program file replaced or removed while it runs (an upgrade moves the new one over it)
    // reads "<path> (deleted)"; the program's name is still <path>. A file really named so is
    // the running one itself.
    constexpr std::string_view deleted = " (deleted)";
    struct stat running {};
    struct stat named {};
    if (path.ends_with(deleted) &&
        !(::stat("/proc/self/exe", &running) == 0 && ::stat(path.c_str(), &named) == 0 &&
          running.st_dev == named.st_dev && running.st_ino == named.st_ino))
        path.resize(path.size() - deleted.size());
    return path;
}

bool LinuxSystemInfo::GetVersionEx(OsVersionInfo& info) {
    info.MajorVersion = 10;
    info.MinorVersion = 0;
    info.BuildNumber = 0;
    info.PlatformId = VER_PLATFORM_WIN32_NT;
    info.CSDVersion.clear();
    return true;
}

std::string LinuxSystemInfo::GetWindowsDirectory() {
    const std::string data = XdgDataHome();
    return data.empty() ? std::string() : data + "/Vistrel/Windows";
}

std::string LinuxSystemInfo::GetSystemDirectory() {
    const std::string windows = GetWindowsDirectory();
    return windows.empty() ? std::string() : windows + "/System";
}

bool LinuxSystemInfo::GetUserName(std::string& name) {
    name.clear();
    const long hint = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(hint > 0 ? static_cast<std::size_t>(hint) : 16384);
    passwd entry{};
    passwd* result = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &result) != 0 ||
        result == nullptr || result->pw_name == nullptr || result->pw_name[0] == '\0')
        return false;
    name = result->pw_name;
    return true;
}

std::uint16_t LinuxSystemInfo::GetSystemDefaultLangID() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const std::string value = NonEmptyEnv(variable);
        if (!value.empty())
            return LangIdOfLocale(value);
    }
    return LangIdOfLocale("C");
}

std::string LinuxSystemInfo::VerLanguageName(std::uint16_t langId) {
    return LanguageNameOf(langId).substr(0, 49);
}

std::string LinuxSystemInfo::TimeSeparator() {
    return TimeSeparatorOfFormat(TimeFormat(T_FMT, "%H:%M:%S"));
}

std::string LinuxSystemInfo::ShortDateFormat() {
    std::string separator;
    return ShortDateOfFormat(TimeFormat(D_FMT, "%m/%d/%y"), separator);
}

std::string LinuxSystemInfo::DateSeparator() {
    std::string separator;
    ShortDateOfFormat(TimeFormat(D_FMT, "%m/%d/%y"), separator);
    return separator;
}

bool LinuxSystemInfo::GetDisplayName(const std::string& path, std::string& displayName) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0)
        return false;
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    displayName = NamePart(trimmed);
    if (displayName.empty())
        displayName = trimmed;
    return true;
}

bool LinuxSystemInfo::GetComCtlVersion(DWORD& major, DWORD& minor) {
    major = 6;
    minor = 0;
    return true;
}

bool LinuxSystemInfo::GetLastInputIdle(std::uint64_t& idleMs) {
    idleMs = 0;
    // XWayland keeps no idle time (it has no screen-saver extension); asking would only start
    // an XWayland that the compositor starts for X11 programs alone.
    if (IsWaylandSession())
        return false;
    return QueryX11IdleMs(idleMs);
}

} // namespace os
