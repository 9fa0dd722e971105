// Every service of the operating-system interface on Linux, owned in one place. The loop
// comes first: it makes the toolkit's application object the other services need.
#pragma once

#include "os/Platform.h"

#include <memory>

namespace os {

class LinuxMessageLoop;
class LinuxShell;
class QtPeerFactory;

class LinuxPlatform : public Platform {
public:
    LinuxPlatform(int& argc, char** argv);
    ~LinuxPlatform() override;
    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

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

    LinuxMessageLoop& NativeLoop() { return *loop_; }
    LinuxShell& NativeShell() { return *shell_; }

private:
    std::unique_ptr<LinuxMessageLoop> loop_;
    std::unique_ptr<LinuxShell> shell_;
    std::unique_ptr<Clock> clock_;
    std::unique_ptr<FileSystem> files_;
    std::unique_ptr<SystemInfo> system_;
    std::unique_ptr<ProfileStore> profile_;
    std::unique_ptr<AutoRunStore> autoRun_;
    std::unique_ptr<ProcessLauncher> process_;
    std::unique_ptr<HotKeys> keys_;
    std::unique_ptr<Libraries> libs_;
    std::unique_ptr<Mci> media_;
    std::unique_ptr<QtPeerFactory> peers_; // last: the dialogs' windows go first
};

} // namespace os
