// The user's choices and their storage: the per-user settings file beside the executable and
// the autorun entry written with it.
#pragma once

#include <string>

namespace settings {

inline constexpr const char* DefaultMusicFile = "Canon in D.mid";

struct TVLSettings {
    int AlertMethod = 0; // 0 monitor off, 1 music, 2 both, 3 screen saver
    bool AutoRun = false;
    bool AutoUpdate = false;
    bool CanInterrupt = false;
    std::string Language;
    std::string MusicFile;
    int PlayMethod = 0; // 0 the selected music, 1 random music
    int RestPeriod = 0; // minutes
    std::string ScreenSaver;
    int SSMethod = 0;      // 0 the selected screen saver, 1 a random one
    int WorkPeriod = 0;    // minutes
    double LastUpdate = 0; // days since 1899-12-30; 0 is never

    bool operator==(const TVLSettings&) const = default;
};

// Fills every field from the settings file (defaults for whatever is missing or unreadable),
// makes the loaded language the current one and loads its messages.
void LoadSettings(TVLSettings& settings);
// Writes the eleven choices to the settings file and sets or deletes the autorun entry.
// Throws os::EOSError "Unable to write to <path>" when the file cannot be written and
// "Failed to set data for '<name>'" when the autorun entry cannot be set.
void SaveSettings(const TVLSettings& settings);
// Fills the eleven choices with their defaults (LastUpdate stays), makes the default
// language the current one and loads its messages.
void DefaultSettings(TVLSettings& settings);

} // namespace settings
