// System, user and locale facts from Windows itself.
#pragma once

#include "os/SystemInfo.h"

namespace os {

class Win32SystemInfo : public SystemInfo {
public:
    std::string GetModuleFileName() override;
    bool GetVersionEx(OsVersionInfo& info) override;
    std::string GetWindowsDirectory() override;
    std::string GetSystemDirectory() override;
    bool GetUserName(std::string& name) override;
    std::uint16_t GetSystemDefaultLangID() override;
    std::string VerLanguageName(std::uint16_t langId) override;
    std::string TimeSeparator() override;
    std::string ShortDateFormat() override;
    std::string DateSeparator() override;
    bool GetDisplayName(const std::string& path, std::string& displayName) override;
    // The file version of "comctl32.dll" from its version resource.
    bool GetComCtlVersion(DWORD& major, DWORD& minor) override;
    bool GetLastInputIdle(std::uint64_t& idleMs) override;
    // The file's own version resource.
    DWORD GetFileVersionInfoSize(const std::string& fileName) override;
    bool GetFileVersionInfo(const std::string& fileName, DWORD size, void* data) override;
};

} // namespace os
