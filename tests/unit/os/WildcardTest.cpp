// Wildcard masks as the Windows file search reads them.
#include "os/common/StdFileSystem.h"

#include <gtest/gtest.h>

namespace {

TEST(Wildcard, StarAndQuestionMarkMatchWithoutRegardToCase) {
    EXPECT_TRUE(os::MatchesMask("Stars.SCR", "*.scr"));
    EXPECT_TRUE(os::MatchesMask("a.scr", "?.scr"));
    EXPECT_FALSE(os::MatchesMask("ab.scr", "?.scr"));
    EXPECT_FALSE(os::MatchesMask("Stars.scr.bak", "*.scr"));
    EXPECT_TRUE(os::MatchesMask("English 1033.ini", "*.INI"));
    EXPECT_FALSE(os::MatchesMask("readme", "*.ini"));
}

TEST(Wildcard, AFinalDotStarAlsoMatchesNamesWithoutExtension) {
    EXPECT_TRUE(os::MatchesMask("Info", "*.*"));
    EXPECT_TRUE(os::MatchesMask("Canon in D.mid", "*.*"));
    EXPECT_TRUE(os::MatchesMask("Updater", "Updater.*"));
    EXPECT_TRUE(os::MatchesMask("Updater.exe", "updater.*"));
    EXPECT_FALSE(os::MatchesMask("Updaters", "Updater.*"));
}

} // namespace
