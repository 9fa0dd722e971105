// The windows a hack draws into: full screen for a run, a child of the caller's window for a
// preview.
#pragma once

#include <string>

namespace ssaver {

// Covers the screen and runs the hack in it until the user presses a key or a button or moves
// the mouse (after a short grace period), the hack ends, or the host is asked to end. The
// result is the process's exit code.
int RunFullScreen(const std::string& hackPath, const std::string& title);

// Creates a child window filling `parent` and runs the hack in it until the child is destroyed
// or asked to close (WM_DELETE_WINDOW), the parent goes away, the hack ends, or the host is
// asked to end. The result is the process's exit code.
int RunPreview(const std::string& hackPath, const std::string& title, unsigned long parent);

} // namespace ssaver
