// Screen savers on Linux: the system's screen-saver programs ("hacks") are offered as "*.scr"
// launchers in the system-folder stand-in, each a small script that hands its hack and its
// arguments to the screen-saver host beside the Vistrel executable. The user's screen-saver
// configuration, where there is one, stands in for the current screen saver of "system.ini".
#pragma once

#include <string>
#include <vector>

namespace os {

// The host program's file name, beside the Vistrel executable.
inline constexpr const char* ScreenSaverHostName = "VistrelScreenSaver";

// Folders searched for hacks, first one winning on equal names.
std::vector<std::string> DefaultHackFolders();

// The launcher's file name for a hack: "swirl" gives "Swirl.scr".
std::string LauncherFileName(const std::string& hackName);

// Whether a folder entry is a hack worth a launcher (not a helper such as "xscreensaver-text").
bool IsHackName(const std::string& name);

// Writes a launcher for every executable hack of hackFolders into launcherFolder, rewrites
// launchers that differ (an old host path), removes launchers whose hack is gone, and leaves
// every other file alone. Does nothing when the host program is not there. Never throws;
// whatever cannot be created or written is skipped.
void RefreshScreenSaverLaunchers(const std::vector<std::string>& hackFolders,
                                 const std::string& launcherFolder, const std::string& hostProgram);

// The hack that an xscreensaver configuration ("mode: one", "selected: N" into its "programs:"
// list) selects, as the program's bare name; empty when the text selects none.
std::string SelectedHackOf(const std::string& configText);

// Writes [boot] SCRNSAVE.EXE = launcherFolder/<launcher of the selected hack> into
// windowsDir/system.ini, keeping every other line, when configFile selects one hack and the
// value differs. Without such a configuration the file is left alone. Never throws.
void RefreshCurrentScreenSaver(const std::string& configFile, const std::string& windowsDir,
                               const std::string& launcherFolder);

// Both of the above for the running program and the current user: the launchers in the system
// folder stand-in, the host beside the executable, ~/.xscreensaver into system.ini.
void RefreshScreenSavers();

} // namespace os
