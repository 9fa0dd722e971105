// A portable profile-file engine with the semantics of the Windows profile functions, used
// where the system has none. Writes never leave a damaged file behind: the new content goes
// to a temporary file in the same folder, which then replaces the old one by rename.
// Reads share one parse of each file, kept while the file on disk stays as it was, so that
// reading many keys costs one parse rather than one per key.
#pragma once

#include "os/Profile.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace os {

class ProfileFileStore : public ProfileStore {
public:
    // windowsDir gives the folder (no final separator) where a bare file name is looked up.
    explicit ProfileFileStore(std::function<std::string()> windowsDir);
    ~ProfileFileStore() override;
    ProfileFileStore(ProfileFileStore&&) noexcept;
    ProfileFileStore& operator=(ProfileFileStore&&) noexcept;

    std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                        const std::string& defaultValue,
                                        const std::string& fileName) override;
    bool WritePrivateProfileString(const std::string& section, const std::string& key,
                                   const std::string& value, const std::string& fileName) override;
    std::vector<std::string> GetPrivateProfileKeyNames(const std::string& section,
                                                       const std::string& fileName) override;

private:
    class Cache;
    std::string Resolve(const std::string& fileName) const;
    std::function<std::string()> windowsDir_;
    std::unique_ptr<Cache> cache_;
};

} // namespace os
