#include "settings/SystemUtils.h"

#include "os/common/CommandLine.h"
#include "os/Platform.h"

namespace settings {

int GetWinVersion() {
    os::OsVersionInfo info;
    if (!os::Current().System().GetVersionEx(info))
        return -1;
    if (info.PlatformId == os::VER_PLATFORM_WIN32_WINDOWS && info.MajorVersion == 4) {
        switch (info.MinorVersion) {
        case 0:
            return 0;
        case 10:
            // Second edition carries "A" as the second character of its service-pack text.
            return info.CSDVersion.size() >= 2 && info.CSDVersion[1] == 'A' ? 2 : 1;
        case 90:
            return 3;
        default:
            return -1;
        }
    }
    if (info.PlatformId == os::VER_PLATFORM_WIN32_NT) {
        if (info.MajorVersion <= 4)
            return 4;
        if (info.MajorVersion == 5 && info.MinorVersion == 0)
            return 5;
        if (info.MajorVersion == 5 && info.MinorVersion == 1)
            return 6;
        return 7;
    }
    return -1;
}

std::string GetWindowsDir() {
    return os::Current().System().GetWindowsDirectory();
}

std::string GetSystemDir() {
    return os::Current().System().GetSystemDirectory();
}

std::string GetScreenSaverDir() {
    std::string folder = GetWinVersion() >= 4 ? GetSystemDir() : GetWindowsDir();
    if (folder.empty() || folder.back() != os::PathDelim)
        folder += os::PathDelim;
    return folder;
}

bool GetCurrentUserName(std::string& name) {
    if (os::Current().System().GetUserName(name))
        return true;
    name.clear();
    return false;
}

void MonitorOff() {
    os::MessageLoop& loop = os::Current().Loop();
    loop.SendMessage(loop.ApplicationWindow(), os::WM_SYSCOMMAND, os::SC_MONITORPOWER, 2);
}

void MonitorOn() {
    os::MessageLoop& loop = os::Current().Loop();
    loop.SendMessage(loop.ApplicationWindow(), os::WM_SYSCOMMAND, os::SC_MONITORPOWER, -1);
}

bool ShellExecuteAndWait(const std::string& file, const std::string& parameters) {
    os::Platform& platform = os::Current();
    os::ProcessLauncher& process = platform.Process();
    os::HANDLE handle = 0;
    if (!process.ShellExecuteEx(platform.Loop().GetActiveWindow(), "open", file, parameters,
                                os::SW_SHOWNORMAL, handle))
        return false;
    // The document went to a program that was already running: there is no process whose end
    // could be awaited. False, so that a rest does not start the screen saver again each second.
    if (handle == 0)
        return false;
    // Any answer other than a time-out ends the wait; a failed wait would otherwise never end.
    while (process.WaitForSingleObject(handle, 50) == os::WAIT_TIMEOUT) {
        platform.Loop().ProcessMessages();
        // The program is closing (Exit, the end of the session): it waits no longer.
        if (platform.Loop().Terminated())
            break;
    }
    process.CloseHandle(handle);
    return true;
}

bool RunScreenSaver(const std::string& path) {
    return ShellExecuteAndWait(path, "/S");
}

void ShowScreenSaverSettings(const std::string& path, os::HWND parent) {
    // Quoted when it holds a blank, so "C:\Program Files\..." cannot start "C:\Program".
    std::string commandLine = os::QuoteIfBlank(path) + " /C " + std::to_string(parent);
    os::Current().Process().WinExec(commandLine, os::SW_SHOW); // failure ignored
}

std::string GetDisplayName(const std::string& path) {
    std::string displayName;
    if (os::Current().System().GetDisplayName(path, displayName))
        return displayName;
    return path;
}

std::string GetCurrentScreenSaver() {
    std::string configured =
        os::Current().Profile().GetPrivateProfileString("boot", "SCRNSAVE.EXE", "", "system.ini");
    std::string name = GetDisplayName(configured);
    if (!name.empty() && os::Current().Files().FileExists(GetScreenSaverDir() + name))
        return name;
    return std::string();
}

} // namespace settings
