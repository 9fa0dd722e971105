#include "os/win32/Win32Platform.h"

#include "os/NativePlatform.h"
#include "os/win32/peers/Win32Peers.h"
#include "os/win32/Win32AutoRun.h"
#include "os/win32/Win32Clock.h"
#include "os/win32/Win32FileSystem.h"
#include "os/win32/Win32HotKeys.h"
#include "os/win32/Win32Libraries.h"
#include "os/win32/Win32Mci.h"
#include "os/win32/Win32MessageLoop.h"
#include "os/win32/Win32Process.h"
#include "os/win32/Win32Profile.h"
#include "os/win32/Win32Shell.h"
#include "os/win32/Win32SystemInfo.h"

namespace os {

Win32Platform::Win32Platform()
    : loop_(std::make_unique<Win32MessageLoop>()), shell_(std::make_unique<Win32Shell>(*loop_)),
      clock_(std::make_unique<Win32Clock>()), files_(std::make_unique<Win32FileSystem>()),
      system_(std::make_unique<Win32SystemInfo>()), profile_(std::make_unique<Win32Profile>()),
      autoRun_(std::make_unique<Win32AutoRun>()), process_(std::make_unique<Win32Process>()),
      keys_(std::make_unique<Win32HotKeys>()), libs_(std::make_unique<Win32Libraries>()),
      media_(std::make_unique<Win32Mci>()), peers_(std::make_unique<Win32PeerFactory>()) {}

// Members go in reverse order: the dialogs' peers first, every service before the loop and
// its windows.
Win32Platform::~Win32Platform() = default;

Clock& Win32Platform::GetClock() {
    return *clock_;
}
FileSystem& Win32Platform::Files() {
    return *files_;
}
ProfileStore& Win32Platform::Profile() {
    return *profile_;
}
SystemInfo& Win32Platform::System() {
    return *system_;
}
AutoRunStore& Win32Platform::AutoRun() {
    return *autoRun_;
}
ProcessLauncher& Win32Platform::Process() {
    return *process_;
}
MessageLoop& Win32Platform::Loop() {
    return *loop_;
}
Shell& Win32Platform::GetShell() {
    return *shell_;
}
HotKeys& Win32Platform::Keys() {
    return *keys_;
}
Libraries& Win32Platform::Libs() {
    return *libs_;
}
Mci& Win32Platform::Media() {
    return *media_;
}
ui::TPeerFactory* Win32Platform::Peers() {
    return peers_.get();
}

std::unique_ptr<Platform> CreateNativePlatform(int& /*argc*/, char** /*argv*/) {
    return std::make_unique<Win32Platform>();
}

} // namespace os
