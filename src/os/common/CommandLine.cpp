#include "os/common/CommandLine.h"

namespace os {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::string QuoteIfBlank(const std::string& path) {
    if (path.find_first_of(" \t\"") == std::string::npos)
        return path;
    std::string quoted = "\"";
    for (char c : path) {
        quoted += c;
        if (c == '"')
            quoted += '"'; // doubled: a Windows name never holds one, a Linux name may
    }
    return quoted + '"';
}

std::vector<std::string> SplitArguments(const std::string& arguments) {
    std::vector<std::string> words;
    const std::size_t n = arguments.size();
    std::size_t i = 0;
    for (;;) {
        while (i < n && IsBlank(arguments[i]))
            ++i;
        if (i >= n)
            break;
        std::string word;
        // quotes counts the quotes of the current run: 1 means inside quotes, a third quote
        // in a run stands for itself.
        int quotes = 0;
        std::size_t backslashes = 0;
        while (i < n) {
            const char c = arguments[i];
            if (IsBlank(c) && quotes == 0)
                break;
            if (c == '\\') {
                word += c;
                ++backslashes;
                ++i;
                continue;
            }
            if (c == '"') {
                if (backslashes % 2 == 0) {
                    word.resize(word.size() - backslashes / 2);
                    ++quotes;
                } else {
                    word.resize(word.size() - backslashes / 2 - 1);
                    word += '"';
                }
                backslashes = 0;
                ++i;
                while (i < n && arguments[i] == '"') {
                    if (++quotes == 3) {
                        word += '"';
                        quotes = 0;
                    }
                    ++i;
                }
                if (quotes == 2)
                    quotes = 0;
                continue;
            }
            word += c;
            backslashes = 0;
            ++i;
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    const std::size_t n = commandLine.size();
    std::size_t i = 0;
    while (i < n && IsBlank(commandLine[i]))
        ++i;
    if (i >= n)
        return {};
    // The program part knows no escapes: a path may end in a backslash.
    std::string program;
    if (commandLine[i] == '"') {
        // Up to the closing quote; a doubled quote inside stands for one.
        ++i;
        for (;;) {
            const std::size_t close = commandLine.find('"', i);
            if (close == std::string::npos) {
                program += commandLine.substr(i);
                i = n;
                break;
            }
            program += commandLine.substr(i, close - i);
            i = close + 1;
            if (i < n && commandLine[i] == '"') {
                program += '"';
                ++i;
                continue;
            }
            break;
        }
    } else {
        std::size_t end = i;
        while (end < n && !IsBlank(commandLine[end]))
            ++end;
        program = commandLine.substr(i, end - i);
        i = end;
    }
    std::vector<std::string> words{std::move(program)};
    for (auto& word : SplitArguments(commandLine.substr(i)))
        words.push_back(std::move(word));
    return words;
}

} // namespace os
