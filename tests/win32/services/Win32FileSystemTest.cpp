// Files and folders through the Windows file functions.
#include "os/win32/Win32FileSystem.h"
#include "FakePlatform.h"

#include "os/win32/Win32Windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class Win32Files : public ::testing::Test {
protected:
    std::vector<std::string> Names(const std::string& folder, const std::string& mask) {
        std::vector<std::string> names;
        for (const auto& entry : files.FindFiles(folder, mask))
            names.push_back(entry.Name);
        std::sort(names.begin(), names.end());
        return names;
    }
    std::size_t EntriesIn(const std::string& folder) {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
    }
    fake::FakePlatform platform;
    os::Win32FileSystem files;
};

TEST_F(Win32Files, FindFilesMatchesMasksWithoutRegardToCaseAndGivesAttributes) {
    platform.WriteFile("Program/Music/Canon in D.MID", "x");
    platform.WriteFile("Program/Music/night.mid", "x");
    platform.WriteFile("Program/Music/song.wav", "x");
    fs::create_directories(platform.Path("Program/Music/Info"));
    const std::string music = platform.Path("Program/Music");
    EXPECT_EQ(Names(music, "*.mid"), (std::vector<std::string>{"Canon in D.MID", "night.mid"}));
    EXPECT_EQ(Names(music + os::PathDelim, "*.mid"), Names(music, "*.mid")); // one separator
    EXPECT_EQ(Names(music, "s???.wav"), (std::vector<std::string>{"song.wav"}));
    bool sawFolder = false;
    for (const auto& entry : files.FindFiles(music, "*"))
        if (entry.Name == "Info")
            sawFolder = (entry.Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    EXPECT_TRUE(sawFolder);
    EXPECT_TRUE(files.FindFiles(platform.Path("Missing"), "*").empty());
}

TEST_F(Win32Files, FilesAndFoldersAreToldApart) {
    const std::string file = platform.WriteFile("Program/a.ini", "x");
    const std::string folder = platform.Path("Program");
    EXPECT_TRUE(files.FileExists(file));
    EXPECT_FALSE(files.DirectoryExists(file));
    EXPECT_TRUE(files.DirectoryExists(folder));
    EXPECT_FALSE(files.FileExists(folder));
    std::string content = "old";
    EXPECT_FALSE(files.ReadFile(folder, content)); // a folder is no file to read
    EXPECT_FALSE(files.ReadFile(platform.Path("Program/missing.ini"), content));
    EXPECT_EQ(content, "");
    EXPECT_TRUE(files.DeleteFile(file));
    EXPECT_FALSE(files.FileExists(file));
    EXPECT_FALSE(files.DeleteFile(file));
}

TEST_F(Win32Files, WriteReplacesTheFileWholeAndLeavesNothingElse) {
    const std::string path = platform.WriteFile("Program/a.m3u", "old\r\n");
    std::string big(200000, 'x'); // more than one read buffer
    files.WriteFile(path, big);
    std::string read;
    ASSERT_TRUE(files.ReadFile(path, read));
    EXPECT_EQ(read, big);
    EXPECT_EQ(EntriesIn(platform.Path("Program")), 1u);
}

TEST_F(Win32Files, AFailedWriteNamesThePathAndKeepsTheOldFile) {
    // A read-only file cannot be replaced.
    const std::string path = platform.WriteFile("Program/a.m3u", "old\r\n");
    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    try {
        files.WriteFile(path, "new\r\n");
        ADD_FAILURE() << "a read-only file was replaced";
    } catch (const os::EFileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + path + "\". ", 0), 0u)
            << e.what();
    }
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(platform.ReadFile(path), "old\r\n");
    EXPECT_EQ(EntriesIn(platform.Path("Program")), 1u); // no temporary file left

    // A folder in the file's place, and a missing folder.
    fs::create_directories(platform.Path("Program/b.m3u"));
    EXPECT_THROW(files.WriteFile(platform.Path("Program/b.m3u"), "x"), os::EFileError);
    EXPECT_THROW(files.WriteFile(platform.Path("Missing/c.m3u"), "x"), os::EFileError);
    EXPECT_EQ(EntriesIn(platform.Path("Program")), 2u);
}

} // namespace
