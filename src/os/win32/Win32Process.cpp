#include "os/win32/Win32Process.h"

#include "os/win32/Win32Windows.h"

namespace os {

namespace {

const char* OrNull(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

::HWND WindowOf(os::HWND window) {
    return reinterpret_cast<::HWND>(window);
}

} // namespace

HANDLE Win32Process::Keep(Win32Handle handle) {
    const auto id = reinterpret_cast<HANDLE>(handle.Get());
    handles_[id] = std::move(handle);
    return id;
}

UINT Win32Process::WinExec(const std::string& commandLine, int show) {
    const UINT result = ::WinExec(commandLine.c_str(), static_cast<UINT>(show));
    lastError_ = result > 31 ? ERROR_SUCCESS : ::GetLastError();
    return result;
}

bool Win32Process::ShellExecute(os::HWND parent, const std::string& verb, const std::string& file,
                                const std::string& parameters, const std::string& directory,
                                int show) {
    const auto result = reinterpret_cast<INT_PTR>(::ShellExecuteA(
        WindowOf(parent), OrNull(verb), file.c_str(), OrNull(parameters), OrNull(directory), show));
    lastError_ = result > 32 ? ERROR_SUCCESS : static_cast<DWORD>(result);
    return result > 32;
}

bool Win32Process::ShellExecuteEx(os::HWND owner, const std::string& verb, const std::string& file,
                                  const std::string& parameters, int show, HANDLE& process) {
    process = 0;
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT;
    info.hwnd = WindowOf(owner);
    info.lpVerb = OrNull(verb);
    info.lpFile = file.c_str();
    info.lpParameters = OrNull(parameters);
    info.nShow = show;
    if (!::ShellExecuteExA(&info)) {
        lastError_ = ::GetLastError();
        return false;
    }
    lastError_ = ERROR_SUCCESS;
    // No process when the document went to a program that was already running.
    if (info.hProcess != nullptr)
        process = Keep(Win32Handle(info.hProcess));
    return true;
}

DWORD Win32Process::WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    const auto found = handles_.find(handle);
    if (found == handles_.end()) {
        lastError_ = ERROR_INVALID_HANDLE;
        return WAIT_FAILED;
    }
    const ::DWORD result = ::WaitForSingleObject(found->second.Get(), milliseconds);
    lastError_ = result == WAIT_FAILED ? ::GetLastError() : ERROR_SUCCESS;
    return result;
}

void Win32Process::CloseHandle(HANDLE handle) {
    lastError_ = handles_.erase(handle) != 0 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

HANDLE Win32Process::CreateMutex(const std::string& name, bool& alreadyExists) {
    Win32Handle mutex(::CreateMutexA(nullptr, TRUE, OrNull(name)));
    lastError_ = ::GetLastError();
    alreadyExists = mutex.Valid() && lastError_ == ERROR_ALREADY_EXISTS;
    if (!mutex.Valid())
        return 0;
    return Keep(std::move(mutex));
}

DWORD Win32Process::GetLastError() {
    return lastError_;
}

} // namespace os
