#include "os/win32/Win32SystemInfo.h"

#include "os/win32/Win32Windows.h"

#include <cstring>
#include <vector>

namespace os {

namespace {

// The folder functions as the program has always called them: a buffer of 256 characters.
constexpr UINT FolderBufferSize = 256;

std::string FolderFrom(UINT length, const char* buffer) {
    // 0 is failure; a length beyond the buffer is the size it would have needed.
    if (length == 0 || length >= FolderBufferSize)
        return {};
    return std::string(buffer, length);
}

std::string LocaleText(LCTYPE item, const char* fallback) {
    char buffer[256];
    const int n = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, item, buffer, sizeof buffer);
    if (n <= 1)
        return fallback;
    return std::string(buffer, static_cast<std::size_t>(n - 1));
}

} // namespace

std::string Win32SystemInfo::GetModuleFileName() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const ::DWORD n =
            ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<::DWORD>(buffer.size()));
        if (n == 0)
            return {};
        if (n < buffer.size())
            return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

bool Win32SystemInfo::GetVersionEx(OsVersionInfo& info) {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!::GetVersionExA(&version))
        return false;
    info.MajorVersion = version.dwMajorVersion;
    info.MinorVersion = version.dwMinorVersion;
    info.BuildNumber = version.dwBuildNumber;
    info.PlatformId = version.dwPlatformId;
    info.CSDVersion = version.szCSDVersion;
    return true;
}

std::string Win32SystemInfo::GetWindowsDirectory() {
    char buffer[FolderBufferSize];
    return FolderFrom(::GetWindowsDirectoryA(buffer, FolderBufferSize), buffer);
}

std::string Win32SystemInfo::GetSystemDirectory() {
    char buffer[FolderBufferSize];
    return FolderFrom(::GetSystemDirectoryA(buffer, FolderBufferSize), buffer);
}

bool Win32SystemInfo::GetUserName(std::string& name) {
    name.clear();
    ::DWORD size = 0;
    ::GetUserNameA(nullptr, &size); // learns the size, terminator included
    if (size == 0)
        return false;
    std::vector<char> buffer(size);
    if (!::GetUserNameA(buffer.data(), &size))
        return false;
    name = buffer.data();
    return true;
}

std::uint16_t Win32SystemInfo::GetSystemDefaultLangID() {
    return ::GetSystemDefaultLangID();
}

std::string Win32SystemInfo::VerLanguageName(std::uint16_t langId) {
    char buffer[50] = {};
    if (::VerLanguageNameA(langId, buffer, sizeof buffer) == 0)
        return {};
    return std::string(buffer, ::strnlen(buffer, sizeof buffer - 1));
}

std::string Win32SystemInfo::TimeSeparator() {
    return LocaleText(LOCALE_STIME, ":");
}

std::string Win32SystemInfo::ShortDateFormat() {
    return LocaleText(LOCALE_SSHORTDATE, "M/d/yyyy");
}

std::string Win32SystemInfo::DateSeparator() {
    return LocaleText(LOCALE_SDATE, "/");
}

bool Win32SystemInfo::GetDisplayName(const std::string& path, std::string& displayName) {
    SHFILEINFOA info{};
    if (::SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME) == 0)
        return false;
    displayName = info.szDisplayName;
    return true;
}

bool Win32SystemInfo::GetComCtlVersion(DWORD& major, DWORD& minor) {
    const char* const library = "comctl32.dll";
    const DWORD size = GetFileVersionInfoSize(library);
    if (size == 0)
        return false;
    std::vector<char> data(size);
    if (!GetFileVersionInfo(library, size, data.data()))
        return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!::VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) ||
        fixed == nullptr || length < sizeof(VS_FIXEDFILEINFO))
        return false;
    major = HIWORD(fixed->dwFileVersionMS);
    minor = LOWORD(fixed->dwFileVersionMS);
    return true;
}

bool Win32SystemInfo::GetLastInputIdle(std::uint64_t& idleMs) {
    LASTINPUTINFO last{};
    last.cbSize = sizeof last;
    if (!::GetLastInputInfo(&last))
        return false;
    // Both counters are 32 bits and wrap together.
    idleMs = static_cast<DWORD>(::GetTickCount() - last.dwTime);
    return true;
}

DWORD Win32SystemInfo::GetFileVersionInfoSize(const std::string& fileName) {
    ::DWORD ignored = 0;
    return ::GetFileVersionInfoSizeA(fileName.c_str(), &ignored);
}

bool Win32SystemInfo::GetFileVersionInfo(const std::string& fileName, DWORD size, void* data) {
    return ::GetFileVersionInfoA(fileName.c_str(), 0, size, data) != 0;
}

} // namespace os
