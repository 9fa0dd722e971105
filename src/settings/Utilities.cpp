#include "settings/Utilities.h"

#include "os/Platform.h"
#include "settings/Localisation.h"
#include "settings/SystemUtils.h"

#include <cstdint>

namespace settings {

namespace {

// Characters after which a path's file name begins.
#ifdef _WIN32
constexpr const char* FolderDelimiters = "\\/:";
#else
constexpr const char* FolderDelimiters = "/";
#endif

} // namespace

std::string GetExeName() {
    return os::Current().System().GetModuleFileName();
}

std::string GetExeDir() {
    std::string exe = GetExeName();
    std::size_t last = exe.find_last_of(FolderDelimiters);
    return last == std::string::npos ? std::string() : exe.substr(0, last + 1);
}

std::string GetLanguageDir() {
    return GetExeDir() + "Language" + os::PathDelim;
}

std::string GetMusicDir() {
    return GetExeDir() + "Music" + os::PathDelim;
}

std::string GetMusicInfoDir() {
    return GetMusicDir() + "Info" + os::PathDelim;
}

std::string GetHelpDir() {
    return GetExeDir() + "Help" + os::PathDelim;
}

std::string GetIniFileName() {
    std::string userName;
    if (GetCurrentUserName(userName))
        return GetExeDir() + "Vistrel - " + userName + ".ini";
    return GetExeDir() + "Vistrel.ini";
}

std::string ExtractFileName(const std::string& path) {
    std::size_t last = path.find_last_of(FolderDelimiters);
    return last == std::string::npos ? path : path.substr(last + 1);
}

bool IsBareFileName(const std::string& name) {
    return name.find_first_of(FolderDelimiters) == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string LanguageCode(const std::string& languageName) {
    return languageName.size() <= 4 ? languageName : languageName.substr(languageName.size() - 4);
}

void ListFiles(const std::string& folder, ui::TStrings& list, const std::string& mask) {
    for (const os::FindEntry& entry : os::Current().Files().FindFiles(folder, mask)) {
        // A hidden or read-only folder is no file either: picking one as music would end a
        // rest at once. A named pipe or a device would block whoever opened it.
        if ((entry.Attributes & (os::FILE_ATTRIBUTE_DIRECTORY | os::FILE_ATTRIBUTE_DEVICE)) != 0)
            continue;
        list.Add(entry.Name);
    }
}

std::unique_ptr<ui::TStringList> LoadMusicInfo() {
    auto list = std::make_unique<ui::TStringList>();
    std::string fileName =
        GetMusicInfoDir() + "MusicInfo-" + LanguageCode(CurrentLanguage) + ".dat";
    std::string content;
    if (os::Current().Files().FileExists(fileName) &&
        os::Current().Files().ReadFile(fileName, content))
        list->SetText(content);
    return list;
}

bool TryStrToInt(const std::string& text, int& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X');
    if (hex)
        i += 2;
    if (i >= text.size())
        return false;
    std::uint64_t magnitude = 0;
    const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    for (; i < text.size(); ++i) {
        char c = text[i];
        unsigned digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return false;
        magnitude = magnitude * (hex ? 16 : 10) + digit;
        if (magnitude > limit)
            return false;
    }
    auto bits = static_cast<std::uint32_t>(magnitude);
    if (negative)
        bits = 0u - bits;
    value = static_cast<int>(bits);
    return true;
}

std::string GetMusicDescription(const ui::TStrings& musicInfo, const std::string& musicFile) {
    return musicInfo.Values(musicFile);
}

} // namespace settings
