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

// What to write for a value so that a profile read gives it back exactly: reads take off the
// blanks at both ends and one pair of enclosing quotes, so such a value goes in one pair of
// double quotes, which the read takes off again. Line breaks cannot be kept either way.
inline std::string ProfileValueText(std::string_view value) {
    // Windows also trims vertical tabs and form feeds; quoting keeps those too.
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; };
    bool changedByRead =
        !value.empty() && (blank(value.front()) || blank(value.back()) ||
                           (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                            value.back() == value.front()));
    if (!changedByRead)
        return std::string(value);
    return '"' + std::string(value) + '"';
}

} // namespace os
