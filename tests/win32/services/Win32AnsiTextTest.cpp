// Text is 8-bit ANSI on Windows: names and values outside ASCII keep their bytes through the
// file and profile functions, in files as on the screen.
#include "FakePlatform.h"
#include "os/win32/Win32FileSystem.h"
#include "os/win32/Win32Profile.h"

#include "os/win32/Win32Windows.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Written and read with the ANSI functions only: the test's own file helpers go through
// std::filesystem, whose narrow paths need not be ANSI.
void WriteAnsiFile(const std::string& path, const std::string& content) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(file);
}

TEST(Win32AnsiText, NamesAndValuesOutsideAsciiKeepTheirBytes) {
    ASSERT_EQ(::GetACP(), 1252u) << "the expected bytes below are of code page 1252";
    fake::FakePlatform platform;
    const std::string folder = platform.Path("Program");
    const std::string song = "Caf\xE9 \xE0 minuit.mid"; // "Café à minuit.mid"
    WriteAnsiFile(folder + "\\" + song, "x");

    os::Win32FileSystem files;
    EXPECT_TRUE(files.FileExists(folder + "\\" + song));
    auto found = files.FindFiles(folder, "*.mid");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Name, song);

    // The settings file holds the name in ANSI, one byte a character, and gives it back.
    os::Win32Profile profile;
    const std::string ini = folder + "\\Vistrel - tester.ini";
    ASSERT_TRUE(profile.WritePrivateProfileString("Settings", "MusicFile", song, ini));
    EXPECT_EQ(profile.GetPrivateProfileString("Settings", "MusicFile", "", ini), song);
    std::string content;
    ASSERT_TRUE(files.ReadFile(ini, content));
    EXPECT_EQ(content, "[Settings]\r\nMusicFile=" + song + "\r\n");

    // A language file in code page 1252 reads as it is.
    const std::string language = folder + "\\Fran\xE7"
                                          "ais - 1036.ini";
    WriteAnsiFile(language, "[Message]\r\nMsgError=Erreur \xE0 l'\xE9"
                            "criture\r\n");
    EXPECT_EQ(profile.GetPrivateProfileString("Message", "MsgError", "", language),
              "Erreur \xE0 l'\xE9"
              "criture");
}

} // namespace
