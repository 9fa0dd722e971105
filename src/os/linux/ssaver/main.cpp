// The screen-saver host: runs one xscreensaver hack the way a Windows screen saver is run.
//
//   VistrelScreenSaver HACK /S            full screen until the user moves or types
//   VistrelScreenSaver HACK /P WINDOW     preview in a child window of WINDOW
//   VistrelScreenSaver HACK [/C [WINDOW]] the saver's settings
//
// The "*.scr" launchers in the screen-saver folder call it with their hack and their own
// arguments.
#include "os/linux/ScreenSaverCommand.h"
#include "ssaver/HackProcess.h"
#include "ssaver/SaverWindows.h"
#include "ssaver/SettingsBox.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string XmlText(std::string text) {
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [entity, plain] : entities)
        for (std::size_t at = text.find(entity); at != std::string::npos;
             at = text.find(entity, at + 1))
            text.replace(at, std::char_traits<char>::length(entity), plain);
    return text;
}

// The hack's own title from its description file ("Binary Horizon"), else its name with a
// capital ("Binaryhorizon").
std::string TitleOf(const std::string& hackPath) {
    const std::string name = NameOf(hackPath);
    const std::string share = FolderOf(FolderOf(hackPath)) + "/share/xscreensaver/config/";
    for (const std::string& folder : {share, std::string("/usr/share/xscreensaver/config/")}) {
        std::ifstream in(folder + name + ".xml");
        if (!in)
            continue;
        std::ostringstream text;
        text << in.rdbuf();
        const std::string xml = text.str();
        const std::size_t tag = xml.find("<screensaver");
        const std::size_t end = xml.find('>', tag);
        const std::size_t label = xml.find("_label=\"", tag);
        if (tag == std::string::npos || label == std::string::npos || label > end)
            continue;
        const std::size_t close = xml.find('"', label + 8);
        if (close != std::string::npos && close > label + 8)
            return XmlText(xml.substr(label + 8, close - label - 8));
    }
    std::string title = name;
    if (!title.empty())
        title[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(title[0])));
    return title;
}

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: VistrelScreenSaver HACK [/S | /P WINDOW | /C [WINDOW]]\n");
        return 2;
    }
    const std::string hack = argv[1];
    const os::ScreenSaverCommand command =
        os::ParseScreenSaverCommand(std::vector<std::string>(argv + 2, argv + argc));
    if (command.Mode == os::ScreenSaverMode::Invalid) {
        std::fprintf(stderr, "VistrelScreenSaver: unknown arguments\n");
        return 2;
    }
    // A saver that is gone leaves the screen and the panel untouched.
    if (!IsExecutableFile(hack)) {
        std::fprintf(stderr, "VistrelScreenSaver: %s: no such screen saver\n", hack.c_str());
        return 1;
    }
    const std::string title = TitleOf(hack);
    switch (command.Mode) {
    case os::ScreenSaverMode::Run:
        ssaver::InstallSignalPipe();
        return ssaver::RunFullScreen(hack, title);
    case os::ScreenSaverMode::Preview:
        ssaver::InstallSignalPipe();
        return ssaver::RunPreview(hack, title, command.Window);
    default:
        return ssaver::ShowNoSettings(argc, argv, title, command.Window);
    }
}
