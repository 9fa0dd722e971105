// Dynamic libraries, loaded by name (the hook library).
#pragma once

#include "os/Types.h"

#include <string>

namespace os {

class Libraries {
public:
    virtual ~Libraries() = default;
    // 0 on failure; GetLastError then tells why (a positive code).
    virtual HMODULE LoadLibrary(const std::string& name) = 0;
    virtual void* GetProcAddress(HMODULE module, const std::string& name) = 0;
    virtual bool FreeLibrary(HMODULE module) = 0;
    virtual DWORD GetLastError() = 0;
    // The system's text for an error code (SysErrorMessage).
    virtual std::string SysErrorMessage(DWORD code) = 0;
};

} // namespace os
