#include "platform/HxSysHookCommon.h"

#include "os/Platform.h"

#include <array>

namespace platform {

namespace {

// Codes 0 to -5, in that order.
const std::array<std::string, 6> OwnTexts{
    "No error.",
    "DLL doesn't export all required functions.",
    "Receiver already registered.",
    "Receiver not registered.",
    "Too many receivers.",
    "System hook already installed.",
};

} // namespace

std::string HxSysHookErrorText(int code) {
    if (code > 0)
        return os::Current().Libs().SysErrorMessage(static_cast<os::DWORD>(code));
    if (code >= HXERR_ALREADY_INSTALLED)
        return OwnTexts[static_cast<std::size_t>(-code)];
    return "Unknown error " + std::to_string(code);
}

} // namespace platform
