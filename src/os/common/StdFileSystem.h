// The file system over the C++ standard library: used where the platform's own calls are not
// needed (Linux, and the test fake working in temporary folders).
#pragma once

#include "os/FileSystem.h"

#include <string>

namespace os {

// Windows wildcard matching of a file name: '*' any run, '?' one character, letter case
// ignored; "*.*" and "name.*" also match names without a dot, as the Windows search does.
bool MatchesMask(const std::string& name, const std::string& mask);

class StdFileSystem : public FileSystem {
public:
    bool FileExists(const std::string& path) override;
    bool DirectoryExists(const std::string& path) override;
    std::vector<FindEntry> FindFiles(const std::string& folder, const std::string& mask) override;
    bool DeleteFile(const std::string& path) override;
    bool ReadFile(const std::string& path, std::string& content) override;
    void WriteFile(const std::string& path, const std::string& content) override;
};

} // namespace os
