// Small wrappers of what the program needs from the system itself: its family and folders,
// the user's name, monitor power, starting and waiting for programs, and screen savers.
// Each is a free function without state.
#pragma once

#include "os/Types.h"

#include <string>

namespace settings {

// The Windows version code: 0 Windows 95, 1 Windows 98, 2 Windows 98 SE, 3 Windows Me,
// 4 NT 4 or older, 5 Windows 2000, 6 Windows XP, 7 anything newer of the NT family;
// -1 unknown. Codes of 4 and more mean the NT family.
int GetWinVersion();
// The Windows and system folders as the system gives them (no final separator added);
// empty when the system cannot say.
std::string GetWindowsDir();
std::string GetSystemDir();
// The folder that holds screen savers, ending with a separator: the system folder on the
// NT family, else the Windows folder.
std::string GetScreenSaverDir();
// False when the logged-on user's name cannot be obtained; name is then empty.
bool GetCurrentUserName(std::string& name);

void MonitorOff();
void MonitorOn();

// Opens a file through the shell and waits until its process ends, handling the program's
// messages every 50 ms meanwhile. True when the file was started and has ended.
bool ShellExecuteAndWait(const std::string& file, const std::string& parameters);
// Runs a screen saver full screen ("/S") and waits until the user dismisses it.
bool RunScreenSaver(const std::string& path);
// Starts a screen saver's own settings dialog (" /C " and the parent's handle); no waiting.
void ShowScreenSaverSettings(const std::string& path, os::HWND parent);

// The shell's display name of a file, or the path itself when the shell does not know it.
std::string GetDisplayName(const std::string& path);
// File name of the system's current screen saver when it lies in the screen-saver folder;
// empty otherwise.
std::string GetCurrentScreenSaver();

} // namespace settings
