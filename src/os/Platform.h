// The one door to the operating system. The program entry installs the realisation of the
// platform it runs on; tests install the fake. Portable code reaches every service through
// os::Current().
#pragma once

#include "os/Clock.h"
#include "os/FileSystem.h"
#include "os/Input.h"
#include "os/Library.h"
#include "os/Mci.h"
#include "os/MessageLoop.h"
#include "os/Process.h"
#include "os/Profile.h"
#include "os/Registry.h"
#include "os/Shell.h"
#include "os/SystemInfo.h"

namespace ui {
class TPeerFactory;
}

namespace os {

class Platform {
public:
    virtual ~Platform() = default;
    virtual Clock& GetClock() = 0;
    virtual FileSystem& Files() = 0;
    virtual ProfileStore& Profile() = 0;
    virtual SystemInfo& System() = 0;
    virtual AutoRunStore& AutoRun() = 0;
    virtual ProcessLauncher& Process() = 0;
    virtual MessageLoop& Loop() = 0;
    virtual Shell& GetShell() = 0;
    virtual HotKeys& Keys() = 0;
    virtual Libraries& Libs() = 0;
    virtual Mci& Media() = 0;
    // The native peers of the ui components; nullptr leaves every control headless.
    virtual ui::TPeerFactory* Peers() { return nullptr; }
};

// The installed platform. Using it before one is installed is a programming error.
Platform& Current();
bool Installed();

// Installs a platform for the lifetime of this object and puts back the previous one after.
class ScopedPlatform {
public:
    explicit ScopedPlatform(Platform& platform);
    ~ScopedPlatform();
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

private:
    Platform* previous_;
};

} // namespace os
