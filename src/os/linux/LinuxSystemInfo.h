// System, user and locale facts on Linux, with stand-ins for the Windows folders: the
// Windows folder is ${XDG_DATA_HOME:-~/.local/share}/Vistrel/Windows (it holds
// "system.ini") and the system folder its "System" subfolder (it holds the screen-saver
// launchers). The system reports itself as Windows NT 10.0.
#pragma once

#include "os/SystemInfo.h"

namespace os {

class LinuxSystemInfo : public SystemInfo {
public:
    std::string GetModuleFileName() override;
    bool GetVersionEx(OsVersionInfo& info) override;
    std::string GetWindowsDirectory() override;
    std::string GetSystemDirectory() override;
    bool GetUserName(std::string& name) override;
    // From LC_ALL, else LC_MESSAGES, else LANG.
    std::uint16_t GetSystemDefaultLangID() override;
    std::string VerLanguageName(std::uint16_t langId) override;
    // From the time and date formats of the user's LC_TIME.
    std::string TimeSeparator() override;
    std::string ShortDateFormat() override;
    std::string DateSeparator() override;
    // The file's own name when it exists.
    bool GetDisplayName(const std::string& path, std::string& displayName) override;
    // Reports 6.0: desktops announce a restarted tray, as the newer library lets one learn.
    bool GetComCtlVersion(DWORD& major, DWORD& minor) override;
    // Unknown here; the X11 realisation measures idle time.
    bool GetLastInputIdle(std::uint64_t& idleMs) override;
};

} // namespace os
