// The configuration form of a screen saver. The hacks' own settings forms are not installed
// with them, so the user is told plainly that there is nothing to set.
#pragma once

#include <string>

namespace ssaver {

// Shows "<title> has no settings of its own." over `parent` (0: none) until it is closed.
int ShowNoSettings(int& argc, char** argv, const std::string& title, unsigned long parent);

} // namespace ssaver
