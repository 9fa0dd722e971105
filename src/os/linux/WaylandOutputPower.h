// Monitor power in a Wayland session, where XWayland has no DPMS: the compositor's output power
// protocol (wlroots compositors: sway, Hyprland, ...). Unlike DPMS the compositor does not
// light the outputs again on input, so the switch watches for the user's return itself, on
// the compositor's idle notification. An output that cannot be switched (a headless one) is
// answered with "failed", which changes nothing; that is as silent as DPMS on Xvfb.
#pragma once

#include "os/linux/LinuxMonitorPower.h"

#include <memory>

namespace os {

// The session's own switch for its outputs, or null where it has none (an X11 session, or a
// compositor without a way the program can use): DPMS is then tried instead.
std::unique_ptr<MonitorPower::Outputs> OpenSessionOutputs();

// The compositor's output power protocol alone; null where it is not offered.
std::unique_ptr<MonitorPower::Outputs> OpenWaylandOutputPower();

} // namespace os
