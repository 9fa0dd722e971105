// The profile engine and what only POSIX systems give a test: file modes and symbolic links.
#include "ProfileFileTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using profiletest::ProfileFileTest;

namespace {

TEST_F(ProfileFileTest, WriteLeavesNoTemporaryFileAndKeepsPermissions) {
    Write("[S]\r\nA=1\r\n");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(Set("S", "A", "2"));
    EXPECT_EQ(EntriesIn(platform.Path("Program")), 1u);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(ProfileFileTest, AReadOnlyFileIsNeitherWrittenNorReplaced) {
    const std::string old = "[S]\r\nA=1\r\n";
    Write(old);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(Set("S", "A", "2"));
    EXPECT_FALSE(Set("S", "New", "x"));
    EXPECT_EQ(Content(), old);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::mask,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(EntriesIn(platform.Path("Program")), 1u);
    fs::permissions(path, fs::perms::owner_write, std::filesystem::perm_options::add);
    EXPECT_TRUE(Set("S", "A", "2")); // writable again, the same write succeeds
    EXPECT_EQ(Get("S", "A"), "2");
}

TEST_F(ProfileFileTest, WriteThroughASymbolicLinkKeepsTheLink) {
    std::string real = platform.WriteFile("Elsewhere/real.ini", "[S]\r\nA=1\r\n");
    fs::create_symlink(real, path);
    ASSERT_TRUE(Set("S", "A", "2"));
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(platform.ReadFile(real), "[S]\r\nA=2\r\n");
}

} // namespace
