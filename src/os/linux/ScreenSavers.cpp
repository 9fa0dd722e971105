#include "os/linux/ScreenSavers.h"

#include "os/common/ProfileFile.h"
#include "os/linux/LinuxFd.h"
#include "os/linux/LinuxPaths.h"
#include "os/linux/LinuxSystemInfo.h"
#include "os/linux/RegularFile.h"

#include <cctype>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace os {

namespace {

// The second line of every launcher: how a refresh knows its own files from the user's.
constexpr const char* LauncherMarker =
    "# Vistrel screen-saver launcher; rewritten when Vistrel starts.";
constexpr std::size_t MaxLauncherSize = 64 * 1024;

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    quoted += '\'';
    return quoted;
}

std::string LauncherScript(const std::string& hostProgram, const std::string& hackPath) {
    return "#!/bin/sh\n" + std::string(LauncherMarker) + "\nexec " + ShellQuote(hostProgram) + " " +
           ShellQuote(hackPath) + " \"$@\"\n";
}

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (!name.empty() && name[0] != '.')
            names.push_back(name);
    }
    return names;
}

// Launcher file name -> hack path, for every hack found; the first folder wins.
std::map<std::string, std::string> WantedLaunchers(const std::vector<std::string>& hackFolders,
                                                   const std::string& hostProgram) {
    std::map<std::string, std::string> wanted;
    for (const std::string& folder : hackFolders) {
        const std::string prefix = folder + "/";
        for (const std::string& name : FolderEntries(folder)) {
            const std::string path = prefix + name;
            if (!IsHackName(name) || !IsExecutableFile(path))
                continue;
            wanted.emplace(LauncherFileName(name), LauncherScript(hostProgram, path));
        }
    }
    return wanted;
}

// The content of a regular file that is one of our launchers; false for anything else (the
// user's own files, links, folders, something too big to be ours).
bool ReadOwnLauncher(const std::string& path, std::string& content) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::size_t>(info.st_size) > MaxLauncherSize)
        return false;
    content.clear();
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(n));
        if (content.size() > MaxLauncherSize)
            return false;
    }
    const std::size_t first = content.find('\n');
    if (first == std::string::npos)
        return false;
    const std::size_t second = content.find('\n', first + 1);
    return content.compare(first + 1,
                           second == std::string::npos ? std::string::npos : second - first - 1,
                           LauncherMarker) == 0;
}

// Writes through a temporary file and a rename, so a launcher is never seen half written.
void WriteLauncher(const std::string& folder, const std::string& name, const std::string& content) {
    const std::string target = folder + "/" + name;
    const std::string temporary = folder + "/." + name + "." + std::to_string(::getpid()) + ".tmp";
    UniqueFd fd(
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0755));
    if (!fd.Valid())
        return;
    std::size_t written = 0;
    bool ok = true;
    while (written < content.size()) {
        const ssize_t n = ::write(fd.Get(), content.data() + written, content.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    // The umask may have taken the execute bits away.
    ok = ok && ::fchmod(fd.Get(), 0755) == 0;
    ok = ::close(fd.Release()) == 0 && ok;
    if (!ok || ::rename(temporary.c_str(), target.c_str()) != 0)
        ::unlink(temporary.c_str());
}

} // namespace

std::vector<std::string> DefaultHackFolders() {
    // Debian and Fedora install hacks in the first, older systems in the second.
    return {"/usr/libexec/xscreensaver", "/usr/lib/xscreensaver"};
}

std::string LauncherFileName(const std::string& hackName) {
    std::string name = hackName;
    if (!name.empty())
        name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    return name + ".scr";
}

bool IsHackName(const std::string& name) {
    if (name.empty() || name.rfind("xscreensaver", 0) == 0 || EndsWith(name, "-helper"))
        return false;
    for (char c : name) {
        const bool plain =
            std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '+';
        if (!plain)
            return false;
    }
    return true;
}

void RefreshScreenSaverLaunchers(const std::vector<std::string>& hackFolders,
                                 const std::string& launcherFolder,
                                 const std::string& hostProgram) {
    try {
        // Without the host every launcher would fail; the ones there may serve another copy.
        if (launcherFolder.empty() || !IsExecutableFile(hostProgram) ||
            !MakeFolders(launcherFolder))
            return;
        const std::map<std::string, std::string> wanted = WantedLaunchers(hackFolders, hostProgram);
        const std::string prefix = launcherFolder + "/";
        for (const std::string& name : FolderEntries(launcherFolder)) {
            if (!EndsWith(Lower(name), ".scr"))
                continue;
            const std::string path = prefix + name;
            std::string content;
            if (ReadOwnLauncher(path, content) && wanted.find(name) == wanted.end())
                ::unlink(path.c_str());
        }
        for (const auto& [name, content] : wanted) {
            const std::string path = prefix + name;
            std::string existing;
            struct stat info {};
            const bool present = ::lstat(path.c_str(), &info) == 0;
            if (present && !ReadOwnLauncher(path, existing))
                continue; // someone else's file of that name
            if (present && existing == content && (info.st_mode & 0777) == 0755)
                continue;
            WriteLauncher(launcherFolder, name, content);
        }
    } catch (...) {
        // Screen savers are an extra: a failure here must not stop the program.
    }
}

std::string SelectedHackOf(const std::string& configText) {
    // Resource-file syntax: a backslash at the end of a line continues it.
    std::vector<std::string> lines;
    std::string line;
    std::string logical;
    bool continued = false;
    for (std::size_t at = 0; at < configText.size();) {
        std::size_t end = configText.find('\n', at);
        if (end == std::string::npos)
            end = configText.size();
        line = configText.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const bool continues = !line.empty() && line.back() == '\\';
        if (continues)
            line.pop_back();
        if (!continued)
            logical.clear();
        logical += line;
        continued = continues;
        if (!continued)
            lines.push_back(logical);
    }
    if (continued)
        lines.push_back(logical);

    std::string mode;
    std::string selected;
    std::string programs;
    for (const std::string& text : lines) {
        const std::string trimmed = Trim(text);
        if (trimmed.empty() || trimmed[0] == '#' || trimmed[0] == '!')
            continue;
        const std::size_t colon = trimmed.find(':');
        if (colon == std::string::npos)
            continue;
        std::string key = Lower(Trim(trimmed.substr(0, colon)));
        if (!key.empty() && key[0] == '*')
            key.erase(0, 1);
        if (key.rfind("xscreensaver.", 0) == 0)
            key.erase(0, 13);
        const std::string value = Trim(trimmed.substr(colon + 1));
        if (key == "mode")
            mode = Lower(value);
        else if (key == "selected")
            selected = value;
        else if (key == "programs")
            programs = value;
    }
    if (mode != "one" || selected.empty() || selected.size() > 6)
        return {};
    for (char c : selected)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return {};
    const std::size_t index = std::stoul(selected);

    // Entries are separated by "\n" written out; blank ones do not count.
    std::vector<std::string> entries;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = programs.find("\\n", start);
        const std::string entry = Trim(
            programs.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (!entry.empty())
            entries.push_back(entry);
        if (end == std::string::npos)
            break;
        start = end + 2;
    }
    if (index >= entries.size())
        return {};

    // [-] [visual:] ["Label"] program args...
    std::string entry = entries[index];
    if (!entry.empty() && entry[0] == '-')
        entry = Trim(entry.substr(1));
    const std::size_t space = entry.find_first_of(" \t");
    const std::string first = entry.substr(0, space);
    if (first.size() > 1 && first.back() == ':' && first.find('"') == std::string::npos)
        entry = space == std::string::npos ? std::string() : Trim(entry.substr(space));
    if (!entry.empty() && entry[0] == '"') {
        const std::size_t close = entry.find('"', 1);
        entry = close == std::string::npos ? std::string() : Trim(entry.substr(close + 1));
    }
    const std::string program = entry.substr(0, entry.find_first_of(" \t"));
    const std::string name = NamePart(program);
    return IsHackName(name) ? name : std::string();
}

void RefreshCurrentScreenSaver(const std::string& configFile, const std::string& windowsDir,
                               const std::string& launcherFolder) {
    try {
        if (windowsDir.empty() || launcherFolder.empty())
            return;
        // A settings file is small; a larger one is no settings file of the screen saver's.
        std::string text;
        if (!ReadRegularFile(configFile, std::size_t{1} << 20, text))
            return;
        const std::string hack = SelectedHackOf(text);
        if (hack.empty())
            return;
        const std::string value = launcherFolder + "/" + LauncherFileName(hack);
        ProfileFileStore store([windowsDir] { return windowsDir; });
        if (store.GetPrivateProfileString("boot", "SCRNSAVE.EXE", "", "system.ini") == value)
            return;
        if (MakeFolders(windowsDir))
            store.WritePrivateProfileString("boot", "SCRNSAVE.EXE", value, "system.ini");
    } catch (...) {
        // As above: never in the way of the program's start.
    }
}

void RefreshScreenSavers() {
    try {
        LinuxSystemInfo system;
        const std::string launchers = system.GetSystemDirectory();
        const std::string exe = system.GetModuleFileName();
        const std::size_t slash = exe.find_last_of('/');
        if (launchers.empty() || slash == std::string::npos)
            return;
        RefreshScreenSaverLaunchers(DefaultHackFolders(), launchers,
                                    exe.substr(0, slash + 1) + ScreenSaverHostName);
        const std::string home = HomeDir();
        if (!home.empty())
            RefreshCurrentScreenSaver(home + "/.xscreensaver", system.GetWindowsDirectory(),
                                      launchers);
    } catch (...) {
        // As above.
    }
}

} // namespace os
