// The one-line playlists the Music page writes: the first line that is neither blank nor a
// comment names the file, relative to the playlist's folder unless it starts with "/".
#pragma once

#include <string>

namespace os {

// The file the playlist text names, or empty when it names none. Only the text's first 64 KiB
// are looked at, which is all a reader of the file passes in.
std::string PlaylistEntryOf(std::string text, const std::string& playlistPath);

} // namespace os
