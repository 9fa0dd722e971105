// The fixture of the profile-engine tests: a temporary program folder and the engine over it.
#pragma once

#include "FakePlatform.h"
#include "os/common/ProfileFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace profiletest {

namespace fs = std::filesystem;

class ProfileFileTest : public ::testing::Test {
protected:
    fake::FakePlatform platform;
    std::string windowsDir = platform.Path("Windows");
    os::ProfileFileStore store{[this] { return windowsDir; }};
    std::string path = platform.Path("Program/test.ini");

    std::string Write(const std::string& content) {
        return platform.WriteFile("Program/test.ini", content);
    }
    std::string Get(const std::string& section, const std::string& key,
                    const std::string& defaultValue = "<default>") {
        return store.GetPrivateProfileString(section, key, defaultValue, path);
    }
    bool Set(const std::string& section, const std::string& key, const std::string& value) {
        return store.WritePrivateProfileString(section, key, value, path);
    }
    std::string Content() const { return platform.ReadFile(path); }
    std::size_t EntriesIn(const std::string& folder) const {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
            ++n;
        return n;
    }
};

} // namespace profiletest
