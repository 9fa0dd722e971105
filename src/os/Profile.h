// Profile (INI) files with the semantics of the Windows profile functions.
#pragma once

#include <string>
#include <vector>

namespace os {

class ProfileStore {
public:
    virtual ~ProfileStore() = default;
    // Value of a key, blanks and one pair of enclosing quotes removed, at most 2047 characters;
    // the default when the file, section or key is missing. A file name without a folder is
    // looked up in the Windows folder (GetWindowsDirectory).
    virtual std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                                const std::string& defaultValue,
                                                const std::string& fileName) = 0;
    // Writes one key through to the file, keeping every other line; false when the write failed
    // (the old file is then left as it was).
    virtual bool WritePrivateProfileString(const std::string& section, const std::string& key,
                                           const std::string& value,
                                           const std::string& fileName) = 0;
    // Key names of a section in file order, as far as they fit in 16384 bytes with a zero
    // byte after each.
    virtual std::vector<std::string> GetPrivateProfileKeyNames(const std::string& section,
                                                               const std::string& fileName) = 0;
};

} // namespace os
