// Every service of the operating-system interface on Windows, owned in one place. The loop
// comes first: the shell's tray ids and the program's windows live in it.
#pragma once

#include "os/Platform.h"

#include <memory>

namespace os {

class Win32MessageLoop;
class Win32PeerFactory;
class Win32Shell;

class Win32Platform : public Platform {
public:
    Win32Platform();
    ~Win32Platform() override;
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    Clock& GetClock() override;
    FileSystem& Files() override;
    ProfileStore& Profile() override;
    SystemInfo& System() override;
    AutoRunStore& AutoRun() override;
    ProcessLauncher& Process() override;
    MessageLoop& Loop() override;
    Shell& GetShell() override;
    HotKeys& Keys() override;
    Libraries& Libs() override;
    Mci& Media() override;
    ui::TPeerFactory* Peers() override;

    Win32MessageLoop& NativeLoop() { return *loop_; }
    Win32Shell& NativeShell() { return *shell_; }

private:
    std::unique_ptr<Win32MessageLoop> loop_;
    std::unique_ptr<Win32Shell> shell_;
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<FileSystem> files_;
    std::unique_ptr<SystemInfo> system_;
    std::unique_ptr<ProfileStore> profile_;
    std::unique_ptr<AutoRunStore> autoRun_;
    std::unique_ptr<ProcessLauncher> process_;
    std::unique_ptr<HotKeys> keys_;
    std::unique_ptr<Libraries> libs_;
    std::unique_ptr<Mci> media_;
    std::unique_ptr<Win32PeerFactory> peers_; // last: the dialogs' windows go first
};

} // namespace os
