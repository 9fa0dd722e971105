// Monitor power in a Wayland session, where XWayland has no DPMS: the compositor's output power
// protocol (wlroots compositors: sway, Hyprland, ...), else GNOME's power-save mode or KDE's
// "Turn Off Screen" over the session bus. Unlike DPMS, wlroots compositors and GNOME's do not
// light the outputs again on input, so the switch watches for the user's return itself: on
// the compositor's idle notification, or on GNOME's idle time. An output that cannot be
// switched (a headless one) is refused, which changes nothing; that is as silent as DPMS on
// Xvfb.
#pragma once

#include "os/linux/LinuxMonitorPower.h"

#include <memory>
#include <set>
#include <string>

namespace os {

enum class OutputSwitch { WlrOutputPower, MutterPowerSave, PowerDevil, None };

// The switch to use, given the compositor's globals and the names owned on the session bus.
OutputSwitch ChooseOutputSwitch(const std::set<std::string>& globals,
                                const std::set<std::string>& busNames);

// The session's own switch for its outputs, or null where it has none (an X11 session, or a
// compositor without a way the program can use): DPMS is then tried instead.
std::unique_ptr<MonitorPower::Outputs> OpenSessionOutputs();

// The compositor's output power protocol alone; null where it is not offered.
std::unique_ptr<MonitorPower::Outputs> OpenWaylandOutputPower();

} // namespace os
