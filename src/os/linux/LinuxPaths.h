// Per-user places of the desktop (XDG base directories) that the stand-ins live in.
#pragma once

#include <string>

namespace os {

// $HOME, else the password database's home; empty when neither is known.
std::string HomeDir();
// ${XDG_DATA_HOME:-~/.local/share}; empty when no home is known.
std::string XdgDataHome();
// ${XDG_CONFIG_HOME:-~/.config}; empty when no home is known.
std::string XdgConfigHome();
// ${XDG_RUNTIME_DIR:-/tmp}.
std::string RuntimeDir();

// Creates a folder and its missing parents (mode 0700 for new ones); true when it exists after.
bool MakeFolders(const std::string& path);

// The part after the last '/' (the whole text when there is none).
std::string NamePart(const std::string& path);

} // namespace os
