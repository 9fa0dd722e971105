// Saving and loading the settings through the system's own stores: the settings file through
// the profile functions and the autorun entry in the Run key of the current user.
#include "FakePlatform.h"
#include "os/win32/Win32AutoRun.h"
#include "os/win32/Win32Profile.h"
#include "settings/Settings.h"

#include "os/win32/Win32Windows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* RunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The fake everywhere except the two stores.
class SystemStoresPlatform : public fake::FakePlatform {
public:
    os::AutoRunStore& AutoRun() override { return runKey_; }
    os::ProfileStore& Profile() override { return profile_; }

private:
    os::Win32AutoRun runKey_;
    os::Win32Profile profile_;
};

// The Run value as the registry holds it, read without the code under test.
std::optional<std::string> RunValue(const std::string& name, DWORD* type = nullptr) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, RunKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD valueType = 0;
    DWORD size = 0;
    std::optional<std::string> result;
    if (::RegQueryValueExA(key, name.c_str(), nullptr, &valueType, nullptr, &size) ==
        ERROR_SUCCESS) {
        std::vector<char> data(size + 1, '\0');
        if (::RegQueryValueExA(key, name.c_str(), nullptr, &valueType,
                               reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS)
            result = std::string(data.data());
    }
    ::RegCloseKey(key);
    if (type != nullptr)
        *type = valueType;
    return result;
}

class Win32SettingsStores : public ::testing::Test {
protected:
    Win32SettingsStores() {
        // A program folder with a blank in its name, and a value name no other test uses.
        std::filesystem::create_directories(platform.Path("Program Files/Vistrel"));
        platform.System_.ExePath = platform.Path("Program Files/Vistrel/VistrelStoreTest.exe");
    }
    ~Win32SettingsStores() override {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, RunKeyPath, 0, KEY_SET_VALUE, &key) ==
            ERROR_SUCCESS) {
            ::RegDeleteValueA(key, ValueName);
            ::RegCloseKey(key);
        }
    }
    static constexpr const char* ValueName = "VistrelStoreTest.exe";
    SystemStoresPlatform platform;
};

TEST_F(Win32SettingsStores, AutoRunWritesTheQuotedFullPathAndDeletesIt) {
    settings::TVLSettings s;
    s.AutoRun = true;
    settings::SaveSettings(s);
    DWORD type = 0;
    EXPECT_EQ(RunValue(ValueName, &type), "\"" + platform.System_.ExePath + "\"");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    os::Win32AutoRun runKey;
    std::string read;
    ASSERT_TRUE(runKey.OpenRunKey());
    ASSERT_TRUE(runKey.QueryRunValue(ValueName, read));
    EXPECT_EQ(read, "\"" + platform.System_.ExePath + "\""); // without the terminator
    runKey.CloseRunKey();

    s.AutoRun = false;
    settings::SaveSettings(s);
    EXPECT_EQ(RunValue(ValueName), std::nullopt);
    EXPECT_NO_THROW(settings::SaveSettings(s)); // a value that is not there is no error
}

TEST_F(Win32SettingsStores, ARunValueWithoutItsTerminatorReadsBackWhole) {
    os::Win32AutoRun runKey;
    ASSERT_TRUE(runKey.OpenRunKey());
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, RunKeyPath, 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    const std::string text = "\"C:\\Vistrel\\Vistrel.exe\"";
    ::RegSetValueExA(key, ValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                     static_cast<DWORD>(text.size()));
    ::RegCloseKey(key);
    std::string read;
    ASSERT_TRUE(runKey.QueryRunValue(ValueName, read));
    EXPECT_EQ(read, text);
    EXPECT_FALSE(runKey.QueryRunValue("VistrelNoSuchValue", read));
}

TEST_F(Win32SettingsStores, TheElevenChoicesRoundTripThroughTheProfileFunctions) {
    settings::TVLSettings saved;
    saved.AlertMethod = 2;
    saved.AutoRun = false;
    saved.AutoUpdate = true;
    saved.CanInterrupt = true;
    saved.Language = "Deutsch - 1031";
    saved.MusicFile = "Canon in D.mid";
    saved.PlayMethod = 1;
    saved.RestPeriod = 7;
    saved.ScreenSaver = platform.Path("Windows/System/my saver.scr");
    saved.SSMethod = 1;
    saved.WorkPeriod = 1440;
    platform.WriteFile("Program Files/Vistrel/Language/Deutsch - 1031.ini", "[Message]\r\n");
    platform.WriteFile("Windows/System/my saver.scr", "");
    settings::SaveSettings(saved);

    std::string file =
        platform.ReadFile(platform.Path("Program Files/Vistrel/") + "Vistrel - tester.ini");
    EXPECT_EQ(file.rfind("[Settings]\r\nAlertMethod=2\r\nAutoRun=0\r\n", 0), 0u) << file;
    EXPECT_EQ(file.find('\n') - 1, file.find('\r')); // CR LF line ends

    settings::TVLSettings loaded;
    settings::LoadSettings(loaded);
    EXPECT_EQ(loaded, saved);
}

} // namespace
