#include "os/win32/Win32Platform.h"

#include "os/NativePlatform.h"
#include "os/win32/Win32AutoRun.h"
#include "os/win32/Win32Clock.h"
#include "os/win32/Win32FileSystem.h"
#include "os/win32/Win32HotKeys.h"
#include "os/win32/Win32Libraries.h"
#include "os/win32/Win32MessageLoop.h"
#include "os/win32/Win32Process.h"
#include "os/win32/Win32Profile.h"
#include "os/win32/Win32Shell.h"
#include "os/win32/Win32SystemInfo.h"

namespace os {

namespace {

constexpr MCIERROR NoPlayer = MCIERR_CANNOT_LOAD_DRIVER;

// Until the multimedia device is built for Windows, every file fails to open with a text
// that says so; the rest then ends as for any file that cannot be played.
class Win32NoMci : public Mci {
public:
    MCIERROR Open(const std::string&, const std::string&, DWORD, HWND,
                  MCIDEVICEID& deviceId) override {
        deviceId = 0;
        return NoPlayer;
    }
    MCIERROR Play(MCIDEVICEID, DWORD, HWND, DWORD, DWORD) override {
        return MCIERR_INVALID_DEVICE_ID;
    }
    MCIERROR Stop(MCIDEVICEID, DWORD, HWND) override { return MCIERR_INVALID_DEVICE_ID; }
    MCIERROR Pause(MCIDEVICEID, DWORD, HWND) override { return MCIERR_INVALID_DEVICE_ID; }
    MCIERROR Resume(MCIDEVICEID, DWORD, HWND) override { return MCIERR_INVALID_DEVICE_ID; }
    MCIERROR Close(MCIDEVICEID, DWORD, HWND) override { return MCIERR_INVALID_DEVICE_ID; }
    MCIERROR Seek(MCIDEVICEID, DWORD, DWORD, HWND) override { return MCIERR_INVALID_DEVICE_ID; }
    MCIERROR Status(MCIDEVICEID, DWORD, DWORD, DWORD& value) override {
        value = 0;
        return MCIERR_INVALID_DEVICE_ID;
    }
    MCIERROR GetDevCaps(MCIDEVICEID, DWORD, DWORD, DWORD& value) override {
        value = 0;
        return MCIERR_INVALID_DEVICE_ID;
    }
    bool GetErrorString(MCIERROR error, std::string& text) override {
        if (error == NoPlayer)
            text = "This build of Vistrel has no music player for Windows yet.";
        else if (error == MCIERR_INVALID_DEVICE_ID)
            text = "The specified device is not open or is not recognized by MCI.";
        else
            return false;
        return true;
    }
};

} // namespace

Win32Platform::Win32Platform()
    : loop_(std::make_unique<Win32MessageLoop>()), shell_(std::make_unique<Win32Shell>(*loop_)),
      clock_(std::make_unique<Win32Clock>()), files_(std::make_unique<Win32FileSystem>()),
      system_(std::make_unique<Win32SystemInfo>()), profile_(std::make_unique<Win32Profile>()),
      autoRun_(std::make_unique<Win32AutoRun>()), process_(std::make_unique<Win32Process>()),
      keys_(std::make_unique<Win32HotKeys>()), libs_(std::make_unique<Win32Libraries>()),
      media_(std::make_unique<Win32NoMci>()) {}

// Members go in reverse order: every service before the loop and its windows.
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

std::unique_ptr<Platform> CreateNativePlatform(int& /*argc*/, char** /*argv*/) {
    return std::make_unique<Win32Platform>();
}

} // namespace os
