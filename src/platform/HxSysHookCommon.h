// Result codes of the hook library and the loader, and the texts the hook components report.
#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// Codes the hook library and the loader return; positive codes are the system's own.
inline constexpr int HXERR_NONE = 0;
inline constexpr int HXERR_MISSING_EXPORTS = -1;
inline constexpr int HXERR_ALREADY_REGISTERED = -2;
inline constexpr int HXERR_NOT_REGISTERED = -3;
inline constexpr int HXERR_TOO_MANY_RECEIVERS = -4;
inline constexpr int HXERR_ALREADY_INSTALLED = -5;

// Hook kinds as the library takes them.
inline constexpr int HX_KEYBOARD_HOOK = 1;
inline constexpr int HX_MOUSE_HOOK = 2;

inline constexpr const char* SHxNoDllName = "Cannot activate hook because DLL name is not set.";
inline constexpr const char* SHxNoWindow = "Failed to create listening window.";
inline constexpr const char* SHxDllNameWhileActive = "DLL name cannot be set while hook is active!";
inline constexpr const char* SHxFilteringWhileActive =
    "Cannot set AllowFiltering propert while hook is active!";
inline constexpr const char* SHxNotUnloaded = "HxSysHook DLL was not unloaded!";
inline constexpr const char* SHxLoaderCaption = "HxSysHookLoader";

// The text of a code: the system's message for a positive code, the library's and loader's
// own texts for 0 to -5, "Unknown error <code>" below that.
std::string HxSysHookErrorText(int code);

// Raised by a property that cannot change while the hook is active.
class EHxSysHookError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace platform
