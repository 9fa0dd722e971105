// The command line a screen-saver program is started with: "/S" to run full screen, "/P <window>"
// to preview inside a window, "/C <window>" (or nothing) to configure. The Windows spellings are
// all accepted: either slash or dash, any case, and the window after a blank or a colon.
#pragma once

#include <string>
#include <vector>

namespace os {

enum class ScreenSaverMode { Run, Preview, Configure, Invalid };

struct ScreenSaverCommand {
    ScreenSaverMode Mode = ScreenSaverMode::Invalid;
    // The window handle (an X window id); 0 when none was given.
    unsigned long Window = 0;
};

// Parses the arguments after the program's name. A preview needs a window; an unknown form,
// a malformed window or stray words give Invalid.
ScreenSaverCommand ParseScreenSaverCommand(const std::vector<std::string>& args);

// A window handle written in decimal (as the program writes it) or as 0x hex; 0 when malformed.
unsigned long ParseWindowHandle(const std::string& text);

} // namespace os
