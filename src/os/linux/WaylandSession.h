// Whether the desktop session is a Wayland one, and which toolkit platform the program runs
// on there. X11 sessions are left exactly as they are.
#pragma once

#include <string>

namespace os {

// WAYLAND_DISPLAY names a compositor: the session is a Wayland one, even where an X server
// (XWayland) is offered beside it.
bool IsWaylandSession();

// The toolkit's platform to ask for, given the session's environment: empty to leave the
// toolkit's own choice alone. The user's own QT_QPA_PLATFORM always wins; Wayland is chosen
// only where its platform plugin is installed, with X11 (through XWayland) as the fallback
// when the compositor cannot be reached.
std::string QtPlatformFor(const char* waylandDisplay, const char* userChoice,
                          bool waylandPluginPresent);

// Whether the toolkit's Wayland platform plugin is installed where the toolkit looks.
bool QtWaylandPluginPresent();

// Sets QT_QPA_PLATFORM for the toolkit's start and puts the environment back as it was when
// it goes, so that the programs the user starts from Vistrel choose for themselves.
class QtPlatformChoice {
public:
    QtPlatformChoice();
    ~QtPlatformChoice();
    QtPlatformChoice(const QtPlatformChoice&) = delete;
    QtPlatformChoice& operator=(const QtPlatformChoice&) = delete;

private:
    bool set_ = false;
};

} // namespace os
