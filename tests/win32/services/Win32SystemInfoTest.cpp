// System, user and locale facts as Windows gives them to the program.
#include "os/win32/Win32SystemInfo.h"
#include "settings/SystemUtils.h"

#include "os/win32/Win32Windows.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool IsFolder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

TEST(Win32SystemInfo, FoldersAndTheProgramPathAreFullWindowsPaths) {
    os::Win32SystemInfo system;
    const std::string exe = system.GetModuleFileName();
    EXPECT_EQ(exe.substr(1, 2), ":\\") << exe;
    EXPECT_EQ(exe.substr(exe.size() - 4), ".exe") << exe;
    EXPECT_EQ(::GetFileAttributesA(exe.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);

    // Without a final separator, so the program can add its own.
    const std::string windows = system.GetWindowsDirectory();
    const std::string systemDir = system.GetSystemDirectory();
    EXPECT_TRUE(IsFolder(windows)) << windows;
    EXPECT_TRUE(IsFolder(systemDir)) << systemDir;
    EXPECT_NE(windows.back(), '\\');
    EXPECT_NE(systemDir.back(), '\\');
    EXPECT_EQ(systemDir.rfind(windows + "\\", 0), 0u) << systemDir;
}

TEST(Win32SystemInfo, TheVersionIsOfTheNtFamilySoSaversAreInTheSystemFolder) {
    os::Win32SystemInfo system;
    os::OsVersionInfo version;
    ASSERT_TRUE(system.GetVersionEx(version));
    EXPECT_EQ(version.PlatformId, 2u); // VER_PLATFORM_WIN32_NT
    EXPECT_GE(version.MajorVersion, 5u);
    os::DWORD major = 0, minor = 0;
    ASSERT_TRUE(system.GetComCtlVersion(major, minor));
    EXPECT_GE(major, 5u);
}

TEST(Win32SystemInfo, UserLanguageAndLocaleTexts) {
    os::Win32SystemInfo system;
    std::string user;
    ASSERT_TRUE(system.GetUserName(user));
    EXPECT_FALSE(user.empty());
    EXPECT_EQ(user.find('\0'), std::string::npos);
    // Windows adds the country ("English (United States)"), Wine 8 does not.
    EXPECT_EQ(system.VerLanguageName(1033).rfind("English", 0), 0u);
    EXPECT_EQ(system.VerLanguageName(1031).rfind("German", 0), 0u);
    EXPECT_NE(system.GetSystemDefaultLangID(), 0);
    EXPECT_EQ(system.TimeSeparator().size(), 1u);
    EXPECT_EQ(system.DateSeparator().size(), 1u);
    EXPECT_NE(system.ShortDateFormat().find('y'), std::string::npos);
}

TEST(Win32SystemInfo, IdleTimeIsReadAndStaysWithinTheUptime) {
    os::Win32SystemInfo system;
    std::uint64_t idle = 0;
    ASSERT_TRUE(system.GetLastInputIdle(idle));
    // Before any input the last input is the session's start, never a time in the future.
    EXPECT_LE(idle, static_cast<std::uint64_t>(::GetTickCount()));
}

TEST(Win32SystemInfo, AFileWithoutVersionDataHasNone) {
    os::Win32SystemInfo system;
    EXPECT_EQ(system.GetFileVersionInfoSize(system.GetModuleFileName()), 0u);
    EXPECT_GT(system.GetFileVersionInfoSize("comctl32.dll"), 0u);
}

} // namespace
