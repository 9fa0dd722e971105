// Facts about the system, the user and the locale.
#pragma once

#include "os/common/VersionBlock.h"
#include "os/Types.h"

#include <cstdint>
#include <string>

namespace os {

inline constexpr DWORD VER_PLATFORM_WIN32s = 0;
inline constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OsVersionInfo {
    DWORD MajorVersion = 0;
    DWORD MinorVersion = 0;
    DWORD BuildNumber = 0;
    DWORD PlatformId = 0;
    std::string CSDVersion; // service-pack text
};

class SystemInfo {
public:
    virtual ~SystemInfo() = default;
    // Full path of the running executable (GetModuleFileName of the main module).
    virtual std::string GetModuleFileName() = 0;
    virtual bool GetVersionEx(OsVersionInfo& info) = 0;
    // Empty when the call fails.
    virtual std::string GetWindowsDirectory() = 0;
    virtual std::string GetSystemDirectory() = 0;
    // The logged-on user's name; false when it cannot be obtained.
    virtual bool GetUserName(std::string& name) = 0;
    virtual std::uint16_t GetSystemDefaultLangID() = 0;
    // The system's English name for a language identifier, at most 49 characters.
    virtual std::string VerLanguageName(std::uint16_t langId) = 0;
    // The regional time separator (":" in most locales).
    virtual std::string TimeSeparator() = 0;
    // The regional short date order as a pattern of d, M and y with DateSeparator between
    // (for example "dd/MM/yyyy"), used to read stored dates.
    virtual std::string ShortDateFormat() = 0;
    virtual std::string DateSeparator() = 0;
    // The shell's display name of a file; false when the shell does not know the file.
    virtual bool GetDisplayName(const std::string& path, std::string& displayName) = 0;
    // Major and minor file version of the common-controls library; false when unreadable.
    virtual bool GetComCtlVersion(DWORD& major, DWORD& minor) = 0;
    // Milliseconds since the user last touched keyboard or mouse; false when unknown.
    virtual bool GetLastInputIdle(std::uint64_t& idleMs) = 0;
    // The version data (VS_VERSIONINFO block) of a file: its size, 0 when the file has none
    // or cannot be read; then the block itself. Windows reads the file's resource; the
    // default finds a block that was compiled into the file as data.
    virtual DWORD GetFileVersionInfoSize(const std::string& fileName) {
        return ReadFileVersionInfoSize(fileName);
    }
    virtual bool GetFileVersionInfo(const std::string& fileName, DWORD size, void* data) {
        return ReadFileVersionInfo(fileName, size, data);
    }
};

} // namespace os
