#include "os/linux/Playlist.h"

namespace os {

namespace {

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

} // namespace

std::string PlaylistEntryOf(std::string text, const std::string& playlistPath) {
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    // Lines end at LF, CR LF or a lone CR, as editors on every system write them.
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '/')
            return line;
        std::size_t slash = playlistPath.rfind('/');
        return slash == std::string::npos ? line : playlistPath.substr(0, slash + 1) + line;
    }
    return {};
}

} // namespace os
