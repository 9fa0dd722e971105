#include "os/linux/LinuxFileSystem.h"

#include "../../fake/NamedPipe.h"
#include "LinuxTestSupport.h"
#include "os/linux/MidiLength.h"

#include <algorithm>
#include <dirent.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

using namespace ostest;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

namespace {

std::map<std::string, os::DWORD> Attributes(const std::vector<os::FindEntry>& entries) {
    std::map<std::string, os::DWORD> result;
    for (const auto& entry : entries)
        result[entry.Name] = entry.Attributes;
    return result;
}

std::vector<std::string> Names(const std::vector<os::FindEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& entry : entries)
        names.push_back(entry.Name);
    return names;
}

// The folder's entries as the system lists them, for the order check.
std::vector<std::string> DirectoryOrder(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    while (const dirent* entry = ::readdir(dir))
        names.push_back(entry->d_name);
    ::closedir(dir);
    return names;
}

class LinuxFileSystemTest : public ::testing::Test {
protected:
    TempDir dir;
    os::LinuxFileSystem files;
};

} // namespace

TEST_F(LinuxFileSystemTest, FindFilesReportsEveryEntryWithItsAttributes) {
    WriteText(dir / "Canon in D.mid", "x");
    WriteText(dir / "locked.wav", "x", 0444);
    WriteText(dir / ".hidden.mp3", "x");
    ::mkdir((dir / "Info").c_str(), 0755);
    ::mkdir((dir / ".cache").c_str(), 0755);
    ::mkdir((dir / "frozen").c_str(), 0555);
    ::symlink("nowhere", (dir / "dangling").c_str());

    const auto entries = files.FindFiles(dir.Path() + "/", "*.*");
    EXPECT_EQ(Names(entries), DirectoryOrder(dir.Path()));
    const auto attributes = Attributes(entries);
    using namespace os;
    EXPECT_EQ(attributes.at("."), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(attributes.at(".."), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(attributes.at("Info"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(attributes.at(".cache"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(attributes.at("frozen"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(attributes.at("Canon in D.mid"), FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(attributes.at("locked.wav"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(attributes.at(".hidden.mp3"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(attributes.count("dangling"));
}

TEST_F(LinuxFileSystemTest, NamedPipesAreNoFilesToListOrRead) {
    const std::string pipe = testpipe::MakeNamedPipe(dir / "Night.mid");
    ::symlink("nowhere", (dir / "dangling").c_str());
    const auto attributes = Attributes(files.FindFiles(dir.Path() + "/", "*.*"));
    EXPECT_EQ(attributes.at("Night.mid"), os::FILE_ATTRIBUTE_DEVICE);
    EXPECT_EQ(attributes.at("dangling"), os::FILE_ATTRIBUTE_DEVICE);

    // Nobody writes to the pipe: a reader that opened it would wait for good.
    bool read = true;
    std::string content = "stale";
    EXPECT_TRUE(
        testpipe::ReturnsWithoutAWriter(pipe, [&] { read = files.ReadFile(pipe, content); }));
    EXPECT_FALSE(read);
    std::optional<std::uint32_t> length = 1;
    EXPECT_TRUE(
        testpipe::ReturnsWithoutAWriter(pipe, [&] { length = os::MidiFileLengthMs(pipe); }));
    EXPECT_FALSE(length.has_value());
}

TEST_F(LinuxFileSystemTest, FindFilesMatchesMasksWithoutRegardToCase) {
    WriteText(dir / "Mystify.SCR", "");
    WriteText(dir / "bezier.scr", "");
    WriteText(dir / "bezier.scr.txt", "");
    WriteText(dir / "README", "");
    EXPECT_THAT(Names(files.FindFiles(dir.Path(), "*.scr")),
                UnorderedElementsAre("Mystify.SCR", "bezier.scr"));
    EXPECT_THAT(Names(files.FindFiles(dir.Path() + "/", "b?zier.*")),
                UnorderedElementsAre("bezier.scr", "bezier.scr.txt"));
    // "*.*" takes names without a dot too.
    EXPECT_THAT(
        Names(files.FindFiles(dir.Path(), "*.*")),
        UnorderedElementsAre(".", "..", "Mystify.SCR", "bezier.scr", "bezier.scr.txt", "README"));
}

TEST_F(LinuxFileSystemTest, FindFilesInAMissingFolderYieldsNothing) {
    EXPECT_TRUE(files.FindFiles(dir / "missing", "*.*").empty());
    WriteText(dir / "plain", "");
    EXPECT_TRUE(files.FindFiles(dir / "plain", "*.*").empty());
}

TEST_F(LinuxFileSystemTest, ExistenceTellsFilesFromFolders) {
    WriteText(dir / "file", "");
    ::mkdir((dir / "folder").c_str(), 0755);
    EXPECT_TRUE(files.FileExists(dir / "file"));
    EXPECT_FALSE(files.FileExists(dir / "folder"));
    EXPECT_FALSE(files.FileExists(dir / "missing"));
    EXPECT_FALSE(files.FileExists(""));
    EXPECT_TRUE(files.DirectoryExists(dir / "folder"));
    EXPECT_FALSE(files.DirectoryExists(dir / "file"));
}

TEST_F(LinuxFileSystemTest, ReadFileGivesContentOrFalseWhenMissing) {
    const std::string binary("a\0b\r\nc", 6);
    WriteText(dir / "data.dat", binary);
    std::string content = "stale";
    ASSERT_TRUE(files.ReadFile(dir / "data.dat", content));
    EXPECT_EQ(content, binary);
    EXPECT_FALSE(files.ReadFile(dir / "missing.dat", content));
    EXPECT_FALSE(files.ReadFile(dir / "missing/inner.dat", content));
}

TEST_F(LinuxFileSystemTest, ReadFileOfAnUnreadableFileRaisesTheOpenError) {
    // Reading the process's own memory from offset 0 fails even for root.
    std::string content;
    try {
        files.ReadFile("/proc/self/mem", content);
        FAIL() << "no error raised";
    } catch (const os::EFileError& error) {
        EXPECT_THAT(error.what(), HasSubstr("Cannot open file \"/proc/self/mem\". "));
        EXPECT_GT(std::string(error.what()).size(),
                  std::string("Cannot open file \"/proc/self/mem\". ").size());
    }
    if (::geteuid() != 0) {
        WriteText(dir / "secret.dat", "x", 0000);
        EXPECT_THROW(files.ReadFile(dir / "secret.dat", content), os::EFileError);
    }
}

TEST_F(LinuxFileSystemTest, WriteFileCreatesAndReplacesKeepingPermissions) {
    const std::string path = dir / "list.m3u";
    files.WriteFile(path, "first");
    EXPECT_EQ(ReadText(path), "first");
    ::chmod(path.c_str(), 0640);
    files.WriteFile(path, "second");
    EXPECT_EQ(ReadText(path), "second");
    struct stat info {};
    ::stat(path.c_str(), &info);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    // No temporary file stays behind.
    EXPECT_EQ(DirectoryOrder(dir.Path()).size(), 3u);
}

TEST_F(LinuxFileSystemTest, WriteFileFailuresNameThePathAndKeepWhatWasThere) {
    WriteText(dir / "plain", "keep");
    const std::string underFile = dir / "plain/list.m3u";
    try {
        files.WriteFile(underFile, "x");
        FAIL() << "no error raised";
    } catch (const os::EFileError& error) {
        EXPECT_THAT(error.what(), HasSubstr("\"" + underFile + "\". Not a directory"));
    }
    EXPECT_EQ(ReadText(dir / "plain"), "keep");

    ::mkdir((dir / "folder").c_str(), 0755);
    EXPECT_THROW(files.WriteFile(dir / "folder", "x"), os::EFileError);
    EXPECT_TRUE(files.DirectoryExists(dir / "folder"));
    EXPECT_EQ(DirectoryOrder(dir.Path()).size(), 4u);
}

TEST_F(LinuxFileSystemTest, DeleteFileRemovesFilesOnly) {
    WriteText(dir / "gone.mid", "");
    ::mkdir((dir / "folder").c_str(), 0755);
    EXPECT_TRUE(files.DeleteFile(dir / "gone.mid"));
    EXPECT_FALSE(Exists(dir / "gone.mid"));
    EXPECT_FALSE(files.DeleteFile(dir / "gone.mid"));
    EXPECT_FALSE(files.DeleteFile(dir / "folder"));
    EXPECT_TRUE(Exists(dir / "folder"));
}
