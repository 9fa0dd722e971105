// Small text helpers shared by the profile files and the readers of stored values.
#pragma once

#include <string>
#include <string_view>

namespace os {

// The text without its leading and trailing blanks and tabs.
inline std::string TrimBlanks(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && (text[first] == ' ' || text[first] == '\t'))
        ++first;
    while (last > first && (text[last - 1] == ' ' || text[last - 1] == '\t'))
        --last;
    return std::string(text.substr(first, last - first));
}

} // namespace os
