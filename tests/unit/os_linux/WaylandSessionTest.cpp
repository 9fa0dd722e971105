// Which toolkit platform the program asks for: Wayland only in a Wayland session with the
// plugin installed and no choice of the user's; the choice never reaches started programs.
#include "os/linux/WaylandSession.h"
#include "LinuxTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

using ostest::ScopedEnv;

TEST(WaylandSession, OnlyAWaylandSessionWithThePluginAndNoChoiceOfTheUsersGetsWayland) {
    EXPECT_EQ(os::QtPlatformFor("wayland-0", nullptr, true), "wayland;xcb");
    EXPECT_EQ(os::QtPlatformFor("wayland-0", "", true), "wayland;xcb");
    EXPECT_EQ(os::QtPlatformFor(nullptr, nullptr, true), ""); // an X11 session
    EXPECT_EQ(os::QtPlatformFor("", nullptr, true), "");
    EXPECT_EQ(os::QtPlatformFor("wayland-0", nullptr, false), ""); // qt6-wayland missing
    EXPECT_EQ(os::QtPlatformFor("wayland-0", "xcb", true), "");    // the user's choice
}

TEST(WaylandSession, TheChoiceLastsOnlyWhileTheToolkitStarts) {
    {
        ScopedEnv wayland("WAYLAND_DISPLAY", "wayland-9");
        ScopedEnv platform("QT_QPA_PLATFORM", std::nullopt);
        {
            os::QtPlatformChoice choice;
            const char* chosen = std::getenv("QT_QPA_PLATFORM");
            EXPECT_STREQ(chosen, os::QtWaylandPluginPresent() ? "wayland;xcb" : nullptr);
        }
        EXPECT_EQ(std::getenv("QT_QPA_PLATFORM"), nullptr);
    }
    {
        ScopedEnv wayland("WAYLAND_DISPLAY", "wayland-9");
        ScopedEnv platform("QT_QPA_PLATFORM", "offscreen");
        { os::QtPlatformChoice choice; }
        EXPECT_STREQ(std::getenv("QT_QPA_PLATFORM"), "offscreen");
    }
    {
        ScopedEnv wayland("WAYLAND_DISPLAY", std::nullopt);
        ScopedEnv platform("QT_QPA_PLATFORM", std::nullopt);
        os::QtPlatformChoice choice;
        EXPECT_EQ(std::getenv("QT_QPA_PLATFORM"), nullptr);
    }
}
