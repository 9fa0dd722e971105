// Files and folders on a POSIX file system, with the Windows file search's view of them.
#pragma once

#include "os/FileSystem.h"

namespace os {

class LinuxFileSystem : public FileSystem {
public:
    bool FileExists(const std::string& path) override;
    bool DirectoryExists(const std::string& path) override;
    // Attributes: directory for folders, hidden for names beginning with '.' (not "." and
    // ".."), read-only when the owner may not write, archive for plain files, system for
    // devices, pipes and sockets.
    std::vector<FindEntry> FindFiles(const std::string& folder, const std::string& mask) override;
    bool DeleteFile(const std::string& path) override;
    bool ReadFile(const std::string& path, std::string& content) override;
    // Goes through a temporary file in the same folder, so a failed write keeps the old file.
    void WriteFile(const std::string& path, const std::string& content) override;
};

} // namespace os
