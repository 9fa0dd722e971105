// The program entry, portable: the single-instance lock, the hidden main window and the
// message loop. The executable's main() installs the platform and calls it.
#pragma once

// Runs the program on the installed platform; returns the exit code.
int VistrelMain();

// The name of the single-instance lock.
inline constexpr const char* InstanceMutexName = "Vistrel 3";
