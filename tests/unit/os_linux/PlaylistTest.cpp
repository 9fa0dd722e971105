#include "os/linux/Playlist.h"

#include <gtest/gtest.h>

TEST(Playlist, FirstEntryIsFoundWhateverTheLineEnds) {
    const std::string list = "/music/Night.m3u";
    EXPECT_EQ(os::PlaylistEntryOf("\xEF\xBB\xBF#EXTM3U\r\n\r\n  Song.mid  \r\nOther.mid\r\n", list),
              "/music/Song.mid");
    // Old editors end lines with a lone CR: the entry is one line, not two joined.
    EXPECT_EQ(os::PlaylistEntryOf("#EXTM3U\r/songs/Song.mid\rOther.mid\r", list),
              "/songs/Song.mid");
    EXPECT_EQ(os::PlaylistEntryOf("Song.mid\rOther.mid", list), "/music/Song.mid");
    EXPECT_EQ(os::PlaylistEntryOf("# only a comment\n\n", list), "");
}
