// Playlists of any content: the named file is one trimmed line of the text, made absolute
// against the playlist's folder.
#include "os/linux/Playlist.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string entry = os::PlaylistEntryOf(text, "/music/list.m3u");
    if (entry.empty())
        return 0;
    if (entry.find_first_of("\r\n") != std::string::npos || entry.front() != '/' ||
        entry.back() == ' ' || entry.back() == '\t')
        std::abort();
    return 0;
}
