// Files and folders. Paths are 8-bit text built by concatenation, with os::PathDelim.
#pragma once

#include "os/Types.h"

#include <string>
#include <vector>

namespace os {

struct FindEntry {
    std::string Name; // no folder
    DWORD Attributes = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // True for an existing file that is not a folder.
    virtual bool FileExists(const std::string& path) = 0;
    virtual bool DirectoryExists(const std::string& path) = 0;
    // Every entry of a folder matching a wildcard mask ('*' and '?', case-insensitive), in the
    // order the file system yields them, "." and ".." included where the system has them.
    // A folder that does not exist yields nothing.
    virtual std::vector<FindEntry> FindFiles(const std::string& folder,
                                             const std::string& mask) = 0;
    virtual bool DeleteFile(const std::string& path) = 0;
    // Whole-file read; throws EFileError("Cannot open file \"%s\". %s") when the file exists
    // but cannot be read. Returns false when it does not exist.
    virtual bool ReadFile(const std::string& path, std::string& content) = 0;
    // Creates or replaces a file; throws EFileError naming the path and the reason on failure.
    virtual void WriteFile(const std::string& path, const std::string& content) = 0;
};

} // namespace os
