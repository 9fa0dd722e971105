// The test hook library (tests/hooks), loaded for real: its paths and its recording side.
#pragma once

#include "DynamicLibrary.h"
#include "FakePlatform.h"
#include "os/Platform.h"
#include "platform/HxSysHookLoader.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace hooktest {

#ifndef VISTREL_TEST_HOOK_DIR
#error "VISTREL_TEST_HOOK_DIR names the folder of the test hook libraries"
#endif

inline std::string HookDir() {
    return VISTREL_TEST_HOOK_DIR;
}
// This system's library extension, and the other system's.
inline std::string Ext() {
    return platform::HookLibraryExtension;
}
inline std::string OtherExt() {
    return Ext() == ".dll" ? ".so" : ".dll";
}
inline std::string CompleteHook() {
    return HookDir() + "/TestHook" + Ext();
}
inline std::string HookWithoutLastError() {
    return HookDir() + "/TestHookNoLastError" + Ext();
}
inline std::string RefusingHook() {
    return HookDir() + "/TestHookRefusing" + Ext();
}

// True while the library at that path is mapped into the process.
inline bool IsLoaded(const std::string& path) {
    return fake::LibraryIsLoaded(path);
}

// Copies a test library to a path below the fake platform's root (folders made).
inline std::string CopyHook(fake::FakePlatform& platform, const std::string& from,
                            const std::string& relativePath) {
    std::filesystem::path to = platform.Path(relativePath);
    std::filesystem::create_directories(to.parent_path());
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    return to.string();
}

struct Registration {
    int Kind = 0;
    int Window = 0;
    int AllowFiltering = 0;
};

// The recording side of the loaded complete test library. Only valid while it is loaded.
class LoadedTestHook {
public:
    explicit LoadedTestHook(const std::string& path = CompleteHook())
        : handle_(fake::LibraryIsLoaded(path) ? fake::OpenLibrary(path) : nullptr) {
        if (handle_ != nullptr) {
            using SetPoster =
                void (*)(int (*)(std::uintptr_t, unsigned, std::uintptr_t, std::intptr_t));
            reinterpret_cast<SetPoster>(fake::LibrarySymbol(handle_, "TestHookSetPoster"))(&Post);
        }
    }
    ~LoadedTestHook() {
        if (handle_ != nullptr)
            fake::CloseLibrary(handle_);
    }
    LoadedTestHook(const LoadedTestHook&) = delete;
    LoadedTestHook& operator=(const LoadedTestHook&) = delete;

    bool Loaded() const { return handle_ != nullptr; }

    int RegistrationCount() const {
        return reinterpret_cast<int (*)()>(
            fake::LibrarySymbol(handle_, "TestHookRegistrationCount"))();
    }
    Registration At(int index) const {
        Registration r;
        reinterpret_cast<int (*)(int, int*, int*, int*)>(fake::LibrarySymbol(
            handle_, "TestHookRegistration"))(index, &r.Kind, &r.Window, &r.AllowFiltering);
        return r;
    }
    // The library posts WM_USER + code to its receivers of that kind; the loop then runs.
    int Emit(int kind, int code, std::uintptr_t wParam, std::intptr_t lParam) const {
        int accepted = reinterpret_cast<int (*)(int, int, std::uintptr_t, std::intptr_t)>(
            fake::LibrarySymbol(handle_, "TestHookEmit"))(kind, code, wParam, lParam);
        os::Current().Loop().ProcessMessages();
        return accepted;
    }

private:
    static int Post(std::uintptr_t window, unsigned msg, std::uintptr_t wParam,
                    std::intptr_t lParam) {
        return os::Current().Loop().PostMessage(window, msg, wParam, lParam) ? 1 : 0;
    }
    void* handle_;
};

} // namespace hooktest
