// Shows the Options or the About dialog on the Win32 peers without the rest of the program
// (no tray icon, no hooks): the platform is the program's own. A timer ticks on a hidden
// window while the dialog is open and writes its count to "<program folder>ticks.txt", so a
// test sees that the dialog's nested loop keeps the program's timers running.
//
//   DialogHost.exe option|about
#include "dialogs/FormAbout.h"
#include "dialogs/FormOption.h"
#include "os/NativePlatform.h"
#include "settings/Localisation.h"
#include "settings/Settings.h"
#include "settings/Utilities.h"
#include "ui/Forms.h"

#include "os/win32/Win32Windows.h"

#include <fstream>
#include <memory>
#include <optional>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    int argc = 0;
    std::unique_ptr<os::Platform> platform = os::CreateNativePlatform(argc, nullptr);
    os::ScopedPlatform installed(*platform);
    settings::TVLSettings stored;
    settings::LoadSettings(stored); // CurrentLanguage and the messages, as the program has them

    const std::string ticksFile = settings::GetExeDir() + "ticks.txt";
    int ticks = 0;
    os::MessageLoop& loop = platform->Loop();
    os::HWND timerWindow =
        loop.CreateMessageWindow([&](os::UINT msg, os::WPARAM, os::LPARAM) -> os::MessageResult {
            if (msg != WM_TIMER)
                return os::DefaultProcessing;
            std::ofstream(ticksFile, std::ios::trunc) << ++ticks << "\n";
            return 0;
        });
    loop.SetTimer(timerWindow, 1, 100);

    const std::string which = commandLine ? commandLine : "";
    if (which.find("about") != std::string::npos)
        ui::CreateForm<dialogs::TAboutForm>()->ShowModal();
    else
        ui::CreateForm<dialogs::TOptionForm>()->ShowModal();
    loop.KillTimer(timerWindow, 1);
    loop.DestroyWindow(timerWindow);
    return 0;
}
