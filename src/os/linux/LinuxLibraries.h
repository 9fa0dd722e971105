// Shared libraries through the dynamic loader. Failures keep the loader's own text.
#pragma once

#include "os/Library.h"

namespace os {

class LinuxLibraries : public Libraries {
public:
    // Failure codes: ERROR_MOD_NOT_FOUND (126) when the file is missing, 127 when it needs a
    // symbol nothing provides, 193 (not a valid library) for any other refusal.
    HMODULE LoadLibrary(const std::string& name) override;
    void* GetProcAddress(HMODULE module, const std::string& name) override;
    bool FreeLibrary(HMODULE module) override;
    DWORD GetLastError() override;
    // The loader's message for the last failure when code is its code, else a fixed text.
    std::string SysErrorMessage(DWORD code) override;

private:
    void Fail(DWORD code, const char* message);
    DWORD lastError_ = 0;
    std::string lastMessage_;
};

} // namespace os
