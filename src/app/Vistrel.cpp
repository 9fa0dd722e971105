#include "app/Vistrel.h"

#include "app/FormMain.h"
#include "dialogs/Dialogs.h"
#include "os/Platform.h"
#include "platform/HxSysHookLoader.h"

int VistrelMain() {
    auto& process = os::Current().Process();
    bool alreadyExists = false;
    os::HANDLE mutex = process.CreateMutex(InstanceMutexName, alreadyExists);
    // Another instance runs: end at once and silently, whatever handle came back.
    if (alreadyExists || process.GetLastError() == os::ERROR_ALREADY_EXISTS) {
        if (mutex != 0)
            process.CloseHandle(mutex);
        return 0;
    }

    TMainFormDialogs previousDialogs = MainFormDialogs();
    MainFormDialogs() = {dialogs::ShowOptionForm, dialogs::ShowAboutForm,
                         dialogs::CloseOptionFormPlayer, dialogs::BringOptionFormToFront,
                         dialogs::BringAboutFormToFront};

    auto& loop = os::Current().Loop();
    int exitCode = 0;
    {
        // The main window is never shown; closing it ends the loop.
        auto mainForm = ui::CreateForm<TMainForm>();
        loop.SetEndSessionHandler([form = mainForm.get()] { form->Close(); });
        exitCode = loop.Run();
        loop.SetEndSessionHandler(nullptr);
    }
    MainFormDialogs() = previousDialogs;
    if (mutex != 0)
        process.CloseHandle(mutex);
    platform::CheckHookLibraryUnloaded();
    return exitCode;
}
