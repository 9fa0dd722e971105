// Which source tells of the user's return in a Wayland session, and which switch turns its
// monitor off, from what the compositor and the session bus offer.
#include "os/linux/WaylandConnection.h"
#include "os/linux/WaylandOutputPower.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using os::ChooseIdleSource;
using os::IdleSource;

TEST(WaylandIdleSource, TheStandardProtocolFirstThenKdesThenGnomesBusService) {
    const std::set<std::string> noBus;
    const std::set<std::string> mutter{"org.freedesktop.DBus", "org.gnome.Mutter.IdleMonitor"};
    // A current wlroots compositor offers both protocols.
    EXPECT_EQ(
        ChooseIdleSource({"wl_compositor", "wl_seat", "ext_idle_notifier_v1", "org_kde_kwin_idle"},
                         mutter),
        IdleSource::ExtIdleNotify);
    // sway 1.7 and KDE Plasma 5: the KDE protocol only.
    EXPECT_EQ(ChooseIdleSource({"wl_compositor", "wl_seat", "org_kde_kwin_idle"}, noBus),
              IdleSource::KdeIdle);
    // GNOME: neither protocol, the idle monitor on the bus.
    EXPECT_EQ(ChooseIdleSource({"wl_compositor", "wl_seat"}, mutter),
              IdleSource::MutterIdleMonitor);
    // Both protocols watch a seat: without one the compositor cannot say anything.
    EXPECT_EQ(ChooseIdleSource({"ext_idle_notifier_v1", "org_kde_kwin_idle"}, mutter),
              IdleSource::MutterIdleMonitor);
    EXPECT_EQ(ChooseIdleSource({"ext_idle_notifier_v1"}, noBus), IdleSource::None);
    // A headless weston: no idle protocol, no bus service; the X11 path is left.
    EXPECT_EQ(ChooseIdleSource({"wl_compositor", "wl_seat", "wl_shm"},
                               {"org.freedesktop.DBus", "org.gnome.Mutter.DisplayConfig"}),
              IdleSource::None);
}

TEST(WaylandOutputSwitch, TheCompositorsProtocolFirstThenGnomeThenKde) {
    using os::ChooseOutputSwitch;
    using os::OutputSwitch;
    const std::set<std::string> gnome{"org.gnome.Mutter.DisplayConfig",
                                      "org.gnome.Mutter.IdleMonitor"};
    const std::set<std::string> kde{"org.kde.kglobalaccel", "org.kde.Solid.PowerManagement"};
    EXPECT_EQ(ChooseOutputSwitch({"wl_output", "zwlr_output_power_manager_v1"}, gnome),
              OutputSwitch::WlrOutputPower);
    EXPECT_EQ(ChooseOutputSwitch({"wl_output"}, gnome), OutputSwitch::MutterPowerSave);
    EXPECT_EQ(ChooseOutputSwitch({"wl_output", "org_kde_kwin_idle"}, kde),
              OutputSwitch::PowerDevil);
    // The shortcut service alone does not say PowerDevil is there to carry the action out.
    EXPECT_EQ(ChooseOutputSwitch({"wl_output"}, {"org.kde.kglobalaccel"}), OutputSwitch::None);
    EXPECT_EQ(ChooseOutputSwitch({"wl_output"}, {}), OutputSwitch::None);
}

TEST(WaylandIdleSource, NoCompositorMeansNoSession) {
    const char* saved = std::getenv("WAYLAND_DISPLAY");
    std::string keep = saved != nullptr ? saved : "";
    ::unsetenv("WAYLAND_DISPLAY");
    EXPECT_FALSE(os::WaylandDisplayNamed());
    EXPECT_EQ(os::WaylandConnection::Connect(), nullptr);
    ::setenv("WAYLAND_DISPLAY", "", 1);
    EXPECT_FALSE(os::WaylandDisplayNamed());
    // Named, but nobody listens there: no connection, and no hang.
    ::setenv("WAYLAND_DISPLAY", "/nonexistent/wayland-9", 1);
    EXPECT_TRUE(os::WaylandDisplayNamed());
    EXPECT_EQ(os::WaylandConnection::Connect(), nullptr);
    if (saved != nullptr)
        ::setenv("WAYLAND_DISPLAY", keep.c_str(), 1);
    else
        ::unsetenv("WAYLAND_DISPLAY");
}

} // namespace
