// Helpers of the Windows tests that run the program's own platform under Wine with a display.
#pragma once

#include "os/MessageLoop.h"

#include <functional>
#include <string>

namespace wtest {

// Handles messages until the condition holds or the time is up; the condition's last value.
bool PumpUntil(os::MessageLoop& loop, const std::function<bool()>& done, unsigned timeoutMs);
void PumpFor(os::MessageLoop& loop, unsigned ms);

// Runs a command of the host system's shell and waits for it, handling the test's messages
// meanwhile; its exit code, or -1 when it could not be started or did not end in time.
int RunHost(const std::string& shellCommand, unsigned timeoutMs = 20000);

// Threads of this process that began in the code of the named library; 0 when it is not
// loaded.
int ThreadsStartedIn(const char* moduleName);
// Open handles of this process, as the kernel lists them (Wine answers 0 to
// GetProcessHandleCount).
long HandleCount();

// The folder of the running test program, with a trailing backslash.
std::string ExeDir();

} // namespace wtest
