// Files and folders through the Windows file functions.
#pragma once

#include "os/FileSystem.h"

namespace os {

class Win32FileSystem : public FileSystem {
public:
    bool FileExists(const std::string& path) override;
    bool DirectoryExists(const std::string& path) override;
    std::vector<FindEntry> FindFiles(const std::string& folder, const std::string& mask) override;
    bool DeleteFile(const std::string& path) override;
    bool ReadFile(const std::string& path, std::string& content) override;
    // Goes through a temporary file in the same folder, so a failed write keeps the old file.
    void WriteFile(const std::string& path, const std::string& content) override;
};

} // namespace os
