// Starting programs and documents, and waiting for them; the single-instance lock.
#pragma once

#include "os/Types.h"

#include <string>

namespace os {

inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Starts a command line (program path first, then its arguments, Windows quoting rules);
    // the result is above 31 on success.
    virtual UINT WinExec(const std::string& commandLine, int show) = 0;
    // Opens a document or program through the shell (verb "open"); true when started.
    virtual bool ShellExecute(HWND parent, const std::string& verb, const std::string& file,
                              const std::string& parameters, const std::string& directory,
                              int show) = 0;
    // As ShellExecute, but hands back the started process when there is one (0 when the
    // document went to an already running program). False when nothing was started.
    virtual bool ShellExecuteEx(HWND owner, const std::string& verb, const std::string& file,
                                const std::string& parameters, int show, HANDLE& process) = 0;
    virtual DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) = 0;
    virtual void CloseHandle(HANDLE handle) = 0;
    // Creates a named system-wide lock owned by the caller; alreadyExists tells whether
    // another process holds one of that name. Returns 0 when it could not be created.
    virtual HANDLE CreateMutex(const std::string& name, bool& alreadyExists) = 0;
    virtual DWORD GetLastError() = 0;
};

} // namespace os
