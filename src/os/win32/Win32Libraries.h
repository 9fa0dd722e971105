// Dynamic libraries through the Windows loader.
#pragma once

#include "os/Library.h"

namespace os {

class Win32Libraries : public Libraries {
public:
    HMODULE LoadLibrary(const std::string& name) override;
    void* GetProcAddress(HMODULE module, const std::string& name) override;
    bool FreeLibrary(HMODULE module) override;
    DWORD GetLastError() override;
    std::string SysErrorMessage(DWORD code) override;

private:
    DWORD lastError_ = 0;
};

} // namespace os
