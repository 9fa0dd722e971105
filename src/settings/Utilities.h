// The program's folders and data files: where the settings, language, music and help files
// lie beside the executable, and the one routine that lists the files of a folder.
// Every folder returned ends with os::PathDelim.
#pragma once

#include "ui/Classes.h"

#include <memory>
#include <string>

namespace settings {

#ifdef _WIN32
inline constexpr const char* UpdaterFileName = "Updater.exe";
#else
inline constexpr const char* UpdaterFileName = "Updater"; // Linux programs carry no extension
#endif
inline constexpr const char* HomePageUrl = "http://www.vistrel.net/Vistrel3/index.htm";

// Full path of the running executable.
std::string GetExeName();
// The folder part of GetExeName(), up to and including the last separator.
std::string GetExeDir();
std::string GetLanguageDir();
std::string GetMusicDir();
std::string GetMusicInfoDir();
std::string GetHelpDir();
// The settings file of the logged-on user: "Vistrel - " + user name + ".ini" in the program
// folder, or "Vistrel.ini" when the user name cannot be obtained.
std::string GetIniFileName();

// The file name without its folder.
std::string ExtractFileName(const std::string& path);
// True for a name that stays inside the folder it is appended to: no folder part, no zero byte.
bool IsBareFileName(const std::string& name);
// The last four characters of a language name (all of it when shorter): its language code.
std::string LanguageCode(const std::string& languageName);

// Appends the names of the files in folder (ending with a separator) that match mask, in the
// order the file system gives them; folders are skipped, whatever their other attributes.
// The list is not cleared first; a missing folder adds nothing.
void ListFiles(const std::string& folder, ui::TStrings& list, const std::string& mask);

// The lines of the music-description file of the current language code; empty when there is
// none. Throws os::EFileError when the file exists but cannot be read.
std::unique_ptr<ui::TStringList> LoadMusicInfo();
// The description of a music file: the text after the first "=" of the first line whose part
// before it equals the name, letter case ignored; empty when no line does.
std::string GetMusicDescription(const ui::TStrings& musicInfo, const std::string& musicFile);

// A whole number as the settings and language files hold it: an optional sign, then decimal
// digits or "0x" and hexadecimal digits, within 32 bits (hexadecimal as a bit pattern, so
// "0xFFFFFFFF" is -1). False for anything else, empty text included.
bool TryStrToInt(const std::string& text, int& value);

} // namespace settings
