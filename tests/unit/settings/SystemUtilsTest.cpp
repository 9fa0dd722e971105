#include "settings/SystemUtils.h"
#include "FakePlatform.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

class SystemUtilsTest : public ::testing::Test {
protected:
    void Version(os::DWORD platformId, os::DWORD major, os::DWORD minor,
                 const std::string& servicePack = "") {
        platform.System_.Version = {major, minor, 0, platformId, servicePack};
    }
    fake::FakePlatform platform;
};

TEST_F(SystemUtilsTest, WinVersionCodesFollowThePlatformAndVersion) {
    const os::DWORD win9x = os::VER_PLATFORM_WIN32_WINDOWS;
    const os::DWORD nt = os::VER_PLATFORM_WIN32_NT;
    struct Case {
        os::DWORD PlatformId, Major, Minor;
        const char* ServicePack;
        int Code;
    } cases[] = {
        {win9x, 4, 0, "", 0},  {win9x, 4, 10, " B", 1},
        {win9x, 4, 10, "", 1}, {win9x, 4, 10, " A", 2},
        {win9x, 4, 90, "", 3}, {win9x, 4, 20, "", -1},
        {win9x, 5, 0, "", -1}, {nt, 3, 51, "", 4},
        {nt, 4, 0, "", 4},     {nt, 5, 0, "", 5},
        {nt, 5, 1, "", 6},     {nt, 5, 2, "", 7},
        {nt, 10, 0, "", 7},    {os::VER_PLATFORM_WIN32s, 3, 1, "", -1},
    };
    for (const Case& c : cases) {
        Version(c.PlatformId, c.Major, c.Minor, c.ServicePack);
        EXPECT_EQ(settings::GetWinVersion(), c.Code)
            << c.PlatformId << " " << c.Major << "." << c.Minor << " '" << c.ServicePack << "'";
    }
    platform.System_.VersionAvailable = false;
    EXPECT_EQ(settings::GetWinVersion(), -1);
}

TEST_F(SystemUtilsTest, ScreenSaverFolderIsTheSystemFolderOnlyOnTheNtFamily) {
    auto& system = platform.System_;
    const std::string d(1, os::PathDelim);
    const std::string win = d + "win";
    system.WindowsDir = win;
    system.SystemDir = win + d + "system32";
    Version(os::VER_PLATFORM_WIN32_NT, 6, 1);
    EXPECT_EQ(settings::GetScreenSaverDir(), win + d + "system32" + d);
    Version(os::VER_PLATFORM_WIN32_WINDOWS, 4, 10);
    EXPECT_EQ(settings::GetScreenSaverDir(), win + d);
    system.VersionAvailable = false;
    EXPECT_EQ(settings::GetScreenSaverDir(), win + d);
    system.WindowsDir = win + d;
    EXPECT_EQ(settings::GetScreenSaverDir(), win + d); // not doubled
    system.WindowsDir = "";
    EXPECT_EQ(settings::GetScreenSaverDir(), d);
}

TEST_F(SystemUtilsTest, MonitorPowerGoesToTheApplicationWindow) {
    auto& sent = platform.Loop_.AppWindowMessages;
    settings::MonitorOff();
    settings::MonitorOn();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].Msg, os::WM_SYSCOMMAND);
    EXPECT_EQ(sent[0].WParam, os::SC_MONITORPOWER);
    EXPECT_EQ(sent[0].LParam, 2);
    EXPECT_EQ(sent[1].Msg, os::WM_SYSCOMMAND);
    EXPECT_EQ(sent[1].WParam, os::SC_MONITORPOWER);
    EXPECT_EQ(sent[1].LParam, -1);
}

TEST_F(SystemUtilsTest, ScreenSaverSettingsCommandLineQuotesOnlyPathsWithBlanks) {
    auto& starts = platform.Process_.Starts;
    settings::ShowScreenSaverSettings("C:\\WINDOWS\\system32\\ssbezier.scr", 1234);
    settings::ShowScreenSaverSettings("C:\\Program Files\\Savers\\aurora.scr", 99);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[0].Kind, "WinExec");
    EXPECT_EQ(starts[0].File, "C:\\WINDOWS\\system32\\ssbezier.scr /C 1234");
    EXPECT_EQ(starts[0].Show, os::SW_SHOW);
    EXPECT_EQ(starts[1].File, "\"C:\\Program Files\\Savers\\aurora.scr\" /C 99");
}

TEST_F(SystemUtilsTest, RunScreenSaverWaitsForItsProcessAndClosesIt) {
    auto& process = platform.Process_;
    process.ProcessLifetimeMs = 3000;
    EXPECT_TRUE(settings::RunScreenSaver("/savers/mystify.scr"));
    ASSERT_EQ(process.Starts.size(), 1u);
    EXPECT_EQ(process.Starts[0].Kind, "ShellExecuteEx");
    EXPECT_EQ(process.Starts[0].Verb, "open");
    EXPECT_EQ(process.Starts[0].File, "/savers/mystify.scr");
    EXPECT_EQ(process.Starts[0].Parameters, "/S");
    EXPECT_EQ(process.Starts[0].Show, os::SW_SHOWNORMAL);
    EXPECT_EQ(platform.Time.NowMs, 3000u);
    EXPECT_TRUE(process.OpenHandles.empty());
}

TEST_F(SystemUtilsTest, AFileThatCannotBeStartedIsNotWaitedFor) {
    platform.Process_.Unstartable.insert("missing.scr");
    EXPECT_FALSE(settings::RunScreenSaver("missing.scr"));
    EXPECT_FALSE(settings::ShellExecuteAndWait("", ""));
    EXPECT_EQ(platform.Time.NowMs, 0u);
}

TEST_F(SystemUtilsTest, WithoutAProcessHandleThereIsNothingToWaitFor) {
    platform.Process_.NoProcessHandle = true;
    platform.Process_.ProcessLifetimeMs = 0;
    EXPECT_FALSE(settings::ShellExecuteAndWait("document.txt", ""));
    EXPECT_EQ(platform.Time.NowMs, 0u);
}

TEST_F(SystemUtilsTest, TimersKeepFiringWhileAProgramIsAwaited) {
    auto& loop = platform.Loop_;
    int ticks = 0;
    os::HWND window = loop.CreateMessageWindow([&](os::UINT msg, os::WPARAM, os::LPARAM) {
        if (msg == os::WM_TIMER)
            ++ticks;
        return os::LRESULT{0};
    });
    loop.SetTimer(window, 1, 10);
    platform.Process_.ProcessLifetimeMs = 3000;
    EXPECT_TRUE(settings::ShellExecuteAndWait("/savers/mystify.scr", "/S"));
    // Messages are handled after every 50 ms slice of the wait: 59 slices end unsignalled.
    EXPECT_GE(ticks, 55);
    EXPECT_LE(ticks, 60);
}

TEST_F(SystemUtilsTest, AWaitThatFailsEndsTheWait) {
    auto& loop = platform.Loop_;
    auto& process = platform.Process_;
    process.ProcessLifetimeMs = 0; // runs until ended
    int ticks = 0;
    os::HWND window = loop.CreateMessageWindow([&](os::UINT msg, os::WPARAM, os::LPARAM) {
        if (msg != os::WM_TIMER)
            return os::LRESULT{0};
        if (++ticks == 3) {
            auto handles = process.OpenHandles;
            for (os::HANDLE handle : handles)
                process.CloseHandle(handle); // the wait on it now fails
        }
        if (ticks >= 3) // a failed wait lets no time pass; move it so this guard can fire
            platform.Time.NowMs += 100;
        if (ticks > 100)
            throw std::runtime_error("still waiting on a failed handle");
        return os::LRESULT{0};
    });
    loop.SetTimer(window, 1, 100);
    EXPECT_TRUE(settings::ShellExecuteAndWait("/savers/mystify.scr", "/S"));
    EXPECT_EQ(ticks, 3);
}

TEST_F(SystemUtilsTest, UserNameAndDisplayNameComeFromTheSystem) {
    std::string name = "old";
    EXPECT_TRUE(settings::GetCurrentUserName(name));
    EXPECT_EQ(name, "tester");
    platform.System_.UserNameAvailable = false;
    EXPECT_FALSE(settings::GetCurrentUserName(name));
    EXPECT_EQ(name, "");
    platform.System_.DisplayNames["/a/SSBEZI~1.SCR"] = "ssbezier.scr";
    EXPECT_EQ(settings::GetDisplayName("/a/SSBEZI~1.SCR"), "ssbezier.scr");
    EXPECT_EQ(settings::GetDisplayName("/a/unknown.scr"), "/a/unknown.scr");
}

TEST_F(SystemUtilsTest, CurrentScreenSaverMustLieInTheScreenSaverFolder) {
    EXPECT_EQ(settings::GetCurrentScreenSaver(), ""); // no system.ini
    platform.WriteFile("Windows/system.ini", "[boot]\r\nSCRNSAVE.EXE=C:\\WINDOWS\\SYSTEM32\\"
                                             "SSBEZI~1.SCR\r\n");
    EXPECT_EQ(settings::GetCurrentScreenSaver(), ""); // the shell does not know it
    platform.System_.DisplayNames["C:\\WINDOWS\\SYSTEM32\\SSBEZI~1.SCR"] = "ssbezier.scr";
    EXPECT_EQ(settings::GetCurrentScreenSaver(), ""); // no such file in the folder
    platform.WriteFile("Windows/System/ssbezier.scr", "");
    EXPECT_EQ(settings::GetCurrentScreenSaver(), "ssbezier.scr");
    // A display name that hides the extension names no file.
    platform.System_.DisplayNames["C:\\WINDOWS\\SYSTEM32\\SSBEZI~1.SCR"] = "ssbezier";
    EXPECT_EQ(settings::GetCurrentScreenSaver(), "");
    // On the other family the Windows folder is searched.
    platform.System_.DisplayNames.clear();
    platform.WriteFile("Windows/system.ini", "[boot]\r\nSCRNSAVE.EXE=old.scr\r\n");
    platform.WriteFile("Windows/old.scr", "");
    EXPECT_EQ(settings::GetCurrentScreenSaver(), "");
    Version(os::VER_PLATFORM_WIN32_WINDOWS, 4, 90);
    EXPECT_EQ(settings::GetCurrentScreenSaver(), "old.scr");
}

} // namespace
