// Texts cut to the notification area's fields: Linux text is UTF-8, so a cut never splits a
// character (the Windows build's ANSI text is cut as bytes).
#include "os/Shell.h"

#include <gtest/gtest.h>

#include <string>

TEST(TextCut, TipBalloonAndTitleKeepWholeUtf8Characters) {
    os::NotifyIconData data;
    // "ü" is two bytes: at the limit its first byte alone would be no character at all.
    os::CopyField(data.szTip, std::string(126, 'h') + "\xC3\xBC" + "x", 127);
    EXPECT_EQ(std::string(data.szTip), std::string(126, 'h'));
    os::CopyField(data.szTip, std::string(125, 'h') + "\xC3\xBC" + "x", 127);
    EXPECT_EQ(std::string(data.szTip), std::string(125, 'h') + "\xC3\xBC");
    // "€" is three bytes, across the balloon text's and the title's limits.
    os::CopyField(data.szInfo, std::string(253, 'x') + "\xE2\x82\xAC", 255);
    EXPECT_EQ(std::string(data.szInfo), std::string(253, 'x'));
    os::CopyField(data.szInfoTitle, std::string(61, 't') + "\xE2\x82\xAC" + "t", 63);
    EXPECT_EQ(std::string(data.szInfoTitle), std::string(61, 't'));
    os::CopyField(data.szInfoTitle, std::string(60, 't') + "\xE2\x82\xAC" + "t", 63);
    EXPECT_EQ(std::string(data.szInfoTitle), std::string(60, 't') + "\xE2\x82\xAC");
}
