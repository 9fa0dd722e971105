// The system's file-open dialog (GetOpenFileNameA), one existing file at a time.
#pragma once

#include "os/Shell.h"

namespace os {

// Shows the dialog over request.Owner; false when the user cancels or the dialog fails. The
// program's current folder is left as it was.
bool Win32GetOpenFileName(OpenFileName& request);

// The filter in the system's form: each '|' becomes a zero byte, and the list ends with two.
std::string Win32FileFilter(const std::string& filter);

} // namespace os
