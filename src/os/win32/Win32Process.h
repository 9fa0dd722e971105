// Starting programs and documents through Windows, waiting for them, and the named mutex.
#pragma once

#include "os/Process.h"
#include "os/win32/Win32Handle.h"

#include <map>

namespace os {

class Win32Process : public ProcessLauncher {
public:
    Win32Process() = default;
    Win32Process(const Win32Process&) = delete;
    Win32Process& operator=(const Win32Process&) = delete;

    UINT WinExec(const std::string& commandLine, int show) override;
    bool ShellExecute(HWND parent, const std::string& verb, const std::string& file,
                      const std::string& parameters, const std::string& directory,
                      int show) override;
    bool ShellExecuteEx(HWND owner, const std::string& verb, const std::string& file,
                        const std::string& parameters, int show, HANDLE& process) override;
    // Only handles this launcher handed out can be waited on and closed.
    DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) override;
    void CloseHandle(HANDLE handle) override;
    HANDLE CreateMutex(const std::string& name, bool& alreadyExists) override;
    DWORD GetLastError() override;

private:
    HANDLE Keep(Win32Handle handle);
    std::map<HANDLE, Win32Handle> handles_; // every process and mutex handed out, until closed
    DWORD lastError_ = 0;
};

} // namespace os
