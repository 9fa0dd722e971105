#include "os/linux/LinuxLibraries.h"

#include <cerrno>
#include <dlfcn.h>
#include <string_view>
#include <sys/stat.h>

namespace os {

namespace {

constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;

bool Contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

} // namespace

void LinuxLibraries::Fail(DWORD code, const char* message) {
    lastError_ = code;
    lastMessage_ = message != nullptr ? message : std::string();
}

HMODULE LinuxLibraries::LoadLibrary(const std::string& name) {
    if (name.empty()) {
        Fail(ERROR_MOD_NOT_FOUND, "No library name given");
        return 0;
    }
    ::dlerror();
    void* module = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module != nullptr) {
        lastError_ = 0;
        return reinterpret_cast<HMODULE>(module);
    }
    const char* error = ::dlerror();
    const std::string message = error != nullptr ? error : "";
    DWORD code = ERROR_BAD_EXE_FORMAT;
    struct stat info {};
    if (name.find('/') != std::string::npos ? ::stat(name.c_str(), &info) != 0
                                            : Contains(message, "No such file"))
        code = ERROR_MOD_NOT_FOUND;
    else if (Contains(message, "undefined symbol"))
        code = ERROR_PROC_NOT_FOUND;
    Fail(code, message.empty() ? nullptr : message.c_str());
    return 0;
}

void* LinuxLibraries::GetProcAddress(HMODULE module, const std::string& name) {
    if (module == 0) {
        Fail(ERROR_INVALID_HANDLE, "No library given");
        return nullptr;
    }
    ::dlerror();
    void* symbol = ::dlsym(reinterpret_cast<void*>(module), name.c_str());
    if (const char* error = ::dlerror()) {
        Fail(ERROR_PROC_NOT_FOUND, error);
        return nullptr;
    }
    if (symbol == nullptr) {
        Fail(ERROR_PROC_NOT_FOUND, nullptr);
        return nullptr;
    }
    lastError_ = 0;
    return symbol;
}

bool LinuxLibraries::FreeLibrary(HMODULE module) {
    if (module == 0) {
        Fail(ERROR_INVALID_HANDLE, "No library given");
        return false;
    }
    if (::dlclose(reinterpret_cast<void*>(module)) != 0) {
        Fail(ERROR_INVALID_HANDLE, ::dlerror());
        return false;
    }
    lastError_ = 0;
    return true;
}

DWORD LinuxLibraries::GetLastError() {
    return lastError_;
}

std::string LinuxLibraries::SysErrorMessage(DWORD code) {
    if (code == lastError_ && code != 0 && !lastMessage_.empty())
        return lastMessage_;
    switch (code) {
    case 0:
        return "The operation completed successfully";
    case ERROR_INVALID_HANDLE:
        return "The handle is invalid";
    case ERROR_MOD_NOT_FOUND:
        return "The specified module could not be found";
    case ERROR_PROC_NOT_FOUND:
        return "The specified procedure could not be found";
    case ERROR_BAD_EXE_FORMAT:
        return "The file is not a valid shared library";
    default:
        return "Unknown error " + std::to_string(code);
    }
}

} // namespace os
