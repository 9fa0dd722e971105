#include "os/common/StdFileSystem.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace os {

namespace {

bool MatchFrom(const char* name, const char* mask) {
    while (*mask != '\0') {
        if (*mask == '*') {
            ++mask;
            for (const char* n = name;; ++n) {
                if (MatchFrom(n, mask))
                    return true;
                if (*n == '\0')
                    return false;
            }
        }
        if (*name == '\0')
            return false;
        if (*mask != '?' && std::tolower(static_cast<unsigned char>(*mask)) !=
                                std::tolower(static_cast<unsigned char>(*name)))
            return false;
        ++mask;
        ++name;
    }
    return *name == '\0';
}

DWORD AttributesOf(const fs::directory_entry& entry, const std::string& name) {
    std::error_code ec;
    DWORD attributes = 0;
    if (entry.is_directory(ec))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    else if (!entry.is_regular_file(ec))
        attributes |= FILE_ATTRIBUTE_DEVICE;
    if (!name.empty() && name[0] == '.' && name != "." && name != "..")
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    auto perms = entry.status(ec).permissions();
    if (!ec && (perms & fs::perms::owner_write) == fs::perms::none)
        attributes |= FILE_ATTRIBUTE_READONLY;
    if (attributes == 0)
        attributes = FILE_ATTRIBUTE_ARCHIVE;
    return attributes;
}

} // namespace

bool MatchesMask(const std::string& name, const std::string& mask) {
    if (mask == "*.*" || mask == "*")
        return true;
    if (MatchFrom(name.c_str(), mask.c_str()))
        return true;
    // As the Windows search does, a final ".*" also matches a name without an extension.
    if (mask.size() >= 2 && mask.compare(mask.size() - 2, 2, ".*") == 0 &&
        name.find('.') == std::string::npos)
        return MatchFrom(name.c_str(), mask.substr(0, mask.size() - 2).c_str());
    return false;
}

bool StdFileSystem::FileExists(const std::string& path) {
    std::error_code ec;
    auto status = fs::status(path, ec);
    return !ec && fs::exists(status) && !fs::is_directory(status);
}

bool StdFileSystem::DirectoryExists(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

std::vector<FindEntry> StdFileSystem::FindFiles(const std::string& folder,
                                                const std::string& mask) {
    std::vector<FindEntry> result;
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return result;
    if (MatchesMask(".", mask))
        result.push_back({".", FILE_ATTRIBUTE_DIRECTORY});
    if (MatchesMask("..", mask))
        result.push_back({"..", FILE_ATTRIBUTE_DIRECTORY});
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (MatchesMask(name, mask))
            result.push_back({name, AttributesOf(*it, name)});
    }
    return result;
}

bool StdFileSystem::DeleteFile(const std::string& path) {
    std::error_code ec;
    return !fs::is_directory(path, ec) && fs::remove(path, ec);
}

bool StdFileSystem::ReadFile(const std::string& path, std::string& content) {
    // Only a regular file is read: opening a named pipe would wait for a writer.
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return false;
    // C streams, not iostreams, which would bring their locale machinery into memory.
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr)
        throw EFileError("Cannot open file \"" + path + "\". " + std::strerror(errno));
    content.clear();
    char block[16384];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, in)) > 0)
        content.append(block, got);
    std::fclose(in);
    return true;
}

void StdFileSystem::WriteFile(const std::string& path, const std::string& content) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
        throw EFileError("Cannot create file \"" + path + "\". " + std::strerror(errno));
    const bool written = std::fwrite(content.data(), 1, content.size(), out) == content.size();
    if (std::fclose(out) != 0 || !written)
        throw EFileError("Cannot write file \"" + path + "\". " + std::strerror(errno));
}

} // namespace os
