#include "os/linux/ScreenSaverCommand.h"

#include <cctype>
#include <cstdint>

namespace os {

unsigned long ParseWindowHandle(const std::string& text) {
    std::size_t start = 0;
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        start = 2;
        base = 16;
    }
    if (start >= text.size())
        return 0;
    std::uint64_t value = 0;
    for (std::size_t i = start; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        unsigned digit;
        if (std::isdigit(c))
            digit = c - '0';
        else if (base == 16 && std::isxdigit(c))
            digit = static_cast<unsigned>(std::tolower(c) - 'a' + 10);
        else
            return 0;
        value = value * base + digit;
        // X window ids are 32-bit; anything longer is not a handle.
        if (value > 0xFFFFFFFFu)
            return 0;
    }
    return static_cast<unsigned long>(value);
}

ScreenSaverCommand ParseScreenSaverCommand(const std::vector<std::string>& args) {
    ScreenSaverCommand command;
    // Started with no arguments (opened from a file manager): the settings, without a parent.
    if (args.empty()) {
        command.Mode = ScreenSaverMode::Configure;
        return command;
    }
    const std::string& flag = args[0];
    if (flag.size() < 2 || (flag[0] != '/' && flag[0] != '-'))
        return command;
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(flag[1])));
    std::string window;
    std::size_t used = 1;
    if (flag.size() > 2) {
        if (flag[2] != ':' || flag.size() == 3)
            return command;
        window = flag.substr(3);
    } else if (args.size() > 1) {
        window = args[1];
        used = 2;
    }
    if (args.size() > used)
        return command;

    ScreenSaverCommand parsed;
    if (!window.empty()) {
        parsed.Window = ParseWindowHandle(window);
        if (parsed.Window == 0)
            return command;
    }
    switch (letter) {
    case 's':
        if (!window.empty())
            return command;
        parsed.Mode = ScreenSaverMode::Run;
        return parsed;
    case 'p':
        if (window.empty())
            return command;
        parsed.Mode = ScreenSaverMode::Preview;
        return parsed;
    case 'c':
        parsed.Mode = ScreenSaverMode::Configure;
        return parsed;
    default:
        return command;
    }
}

} // namespace os
