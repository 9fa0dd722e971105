// Profile (INI) files through the Windows profile functions.
#pragma once

#include "os/Profile.h"

namespace os {

class Win32Profile : public ProfileStore {
public:
    std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                        const std::string& defaultValue,
                                        const std::string& fileName) override;
    bool WritePrivateProfileString(const std::string& section, const std::string& key,
                                   const std::string& value, const std::string& fileName) override;
    std::vector<std::string> GetPrivateProfileKeyNames(const std::string& section,
                                                       const std::string& fileName) override;
};

} // namespace os
