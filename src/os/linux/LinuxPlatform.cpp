#include "os/linux/LinuxPlatform.h"

#include "os/common/ProfileFile.h"
#include "os/linux/EndRest.h"
#include "os/linux/LinuxAutoRun.h"
#include "os/linux/LinuxClock.h"
#include "os/linux/LinuxFileSystem.h"
#include "os/linux/LinuxHotKeys.h"
#include "os/linux/LinuxLibraries.h"
#include "os/linux/LinuxMci.h"
#include "os/linux/LinuxMessageLoop.h"
#include "os/linux/LinuxProcess.h"
#include "os/linux/LinuxShell.h"
#include "os/linux/LinuxSystemInfo.h"
#include "os/linux/QtPeers.h"
#include "os/linux/ScreenSavers.h"
#include "os/NativePlatform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace os {

LinuxPlatform::LinuxPlatform(int& argc, char** argv)
    : loop_(std::make_unique<LinuxMessageLoop>(argc, argv)),
      shell_(std::make_unique<LinuxShell>(*loop_)), clock_(std::make_unique<LinuxClock>()),
      files_(std::make_unique<LinuxFileSystem>()), system_(std::make_unique<LinuxSystemInfo>()),
      autoRun_(std::make_unique<LinuxAutoRun>()), process_(std::make_unique<LinuxProcess>()),
      keys_(std::make_unique<LinuxHotKeys>()), libs_(std::make_unique<LinuxLibraries>()),
      media_(std::make_unique<LinuxMci>(*loop_)) {
    // While this instance holds the single-instance lock, "--end-rest" reaches its F4.
    auto* keys = static_cast<LinuxHotKeys*>(keys_.get());
    static_cast<LinuxProcess*>(process_.get())->SetLockCompanion(EndRestCompanions([keys] {
        return keys->Press(0, VK_F4);
    }));
    // The screen-saver folder is listed when the settings are read: fill it first.
    RefreshScreenSavers();
    SystemInfo* system = system_.get();
    profile_ =
        std::make_unique<ProfileFileStore>([system] { return system->GetWindowsDirectory(); });
    peers_ = std::make_unique<QtPeerFactory>();
}

// Members go in reverse order: every service before the loop, which owns the application object.
// The process service goes first: a lock still held takes its "--end-rest" listener with it,
// which presses the hot keys.
LinuxPlatform::~LinuxPlatform() {
    process_.reset();
}

Clock& LinuxPlatform::GetClock() {
    return *clock_;
}
FileSystem& LinuxPlatform::Files() {
    return *files_;
}
ProfileStore& LinuxPlatform::Profile() {
    return *profile_;
}
SystemInfo& LinuxPlatform::System() {
    return *system_;
}
AutoRunStore& LinuxPlatform::AutoRun() {
    return *autoRun_;
}
ProcessLauncher& LinuxPlatform::Process() {
    return *process_;
}
MessageLoop& LinuxPlatform::Loop() {
    return *loop_;
}
Shell& LinuxPlatform::GetShell() {
    return *shell_;
}
HotKeys& LinuxPlatform::Keys() {
    return *keys_;
}
Libraries& LinuxPlatform::Libs() {
    return *libs_;
}
Mci& LinuxPlatform::Media() {
    return *media_;
}
ui::TPeerFactory* LinuxPlatform::Peers() {
    return peers_.get();
}

std::unique_ptr<Platform> CreateNativePlatform(int& argc, char** argv) {
    // "--end-rest" asks the running instance to act on F4 and ends this process at once; it
    // needs no display and starts nothing.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], EndRestSwitch) == 0) {
            // Not std::cerr: a file that includes <iostream> sets up the standard streams and
            // their locale at every start, a third of a megabyte that an idle program keeps.
            std::ostringstream err;
            const int code = RunEndRestCommand(err);
            std::fputs(err.str().c_str(), stderr);
            std::exit(code);
        }
    }
    return std::make_unique<LinuxPlatform>(argc, argv);
}

} // namespace os
