#include "platform/HxSysHookLoader.h"

#include "os/Platform.h"
#include "platform/HxSysHookCommon.h"

#include <cctype>

namespace platform {

namespace {

struct LoaderState {
    os::HMODULE Module = 0;
    int RefCount = 0;
    TAttachReceiver AttachReceiver = nullptr;
    void* DetachReceiver = nullptr; // must exist; never called
    void* LastError = nullptr;      // must exist; never called
};

LoaderState Loader;

bool IsDelimiter(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/' || c == ':';
#else
    return c == '/';
#endif
}

// The extension of the file name: from the last dot after the last folder delimiter.
std::string::size_type ExtensionStart(const std::string& name) {
    for (auto i = name.size(); i > 0; --i) {
        char c = name[i - 1];
        if (c == '.')
            return i - 1;
        if (IsDelimiter(c))
            break;
    }
    return std::string::npos;
}

bool SameTextAscii(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Windows looks for a library named without a folder in the program's folder first; the
// dynamic loader here would search only the system's library folders. So a bare name that
// exists beside the executable is loaded from there, and any other name goes to the loader
// as it is (a bare name not found beside the program may still be installed system-wide).
std::string Locate(const std::string& name) {
#ifdef _WIN32
    return name;
#else
    if (name.empty() || name.find('/') != std::string::npos)
        return name;
    std::string exe = os::Current().System().GetModuleFileName();
    auto slash = exe.rfind('/');
    if (slash == std::string::npos)
        return name;
    std::string besideProgram = exe.substr(0, slash + 1) + name;
    return os::Current().Files().FileExists(besideProgram) ? besideProgram : name;
#endif
}

os::HMODULE Load(const std::string& name) {
    return os::Current().Libs().LoadLibrary(Locate(name));
}

} // namespace

int LoadHookLibrary(const std::string& name) {
    if (Loader.Module != 0) {
        ++Loader.RefCount;
        return HXERR_NONE;
    }
    auto& libs = os::Current().Libs();
    os::HMODULE module = Load(name);
    if (module == 0) {
        // A name made for another system ("Hook.dll" here) gets one more try with this
        // system's extension.
        auto dot = ExtensionStart(name);
        std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
        if (!SameTextAscii(extension, HookLibraryExtension))
            module = Load(name.substr(0, dot) + HookLibraryExtension);
    }
    if (module == 0) {
        os::DWORD error = libs.GetLastError();
        // Never report a failed load as success.
        return error != 0 ? static_cast<int>(error) : static_cast<int>(os::ERROR_MOD_NOT_FOUND);
    }
    Loader.Module = module;
    ++Loader.RefCount;
    Loader.AttachReceiver =
        reinterpret_cast<TAttachReceiver>(libs.GetProcAddress(module, "AttachReceiver"));
    Loader.DetachReceiver = libs.GetProcAddress(module, "DetachReceiver");
    Loader.LastError = libs.GetProcAddress(module, "LastError");
    if (Loader.AttachReceiver == nullptr || Loader.DetachReceiver == nullptr ||
        Loader.LastError == nullptr) {
        ReleaseHookLibrary();
        return HXERR_MISSING_EXPORTS;
    }
    return HXERR_NONE;
}

void ReleaseHookLibrary() {
    if (Loader.Module == 0)
        return;
    if (--Loader.RefCount <= 0) {
        os::Current().Libs().FreeLibrary(Loader.Module);
        Loader = LoaderState{};
    }
}

bool HookLibraryLoaded() {
    return Loader.Module != 0;
}

int HookLibraryRefCount() {
    return Loader.RefCount;
}

TAttachReceiver HookAttachReceiver() {
    return Loader.AttachReceiver;
}

void CheckHookLibraryUnloaded() {
    if (Loader.Module != 0)
        os::Current().GetShell().MessageBox(0, SHxNotUnloaded, SHxLoaderCaption,
                                            os::MB_ICONWARNING);
}

} // namespace platform
