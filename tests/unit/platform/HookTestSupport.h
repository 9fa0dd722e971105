// The test hook library (tests/hooks), loaded for real: its paths and its recording side.
#pragma once

#include "FakePlatform.h"
#include "os/Platform.h"

#include <cstdint>
#include <dlfcn.h>
#include <filesystem>
#include <string>

namespace hooktest {

#ifndef VISTREL_TEST_HOOK_DIR
#error "VISTREL_TEST_HOOK_DIR names the folder of the test hook libraries"
#endif

inline std::string HookDir() {
    return VISTREL_TEST_HOOK_DIR;
}
inline std::string CompleteHook() {
    return HookDir() + "/TestHook.so";
}
inline std::string HookWithoutLastError() {
    return HookDir() + "/TestHookNoLastError.so";
}
inline std::string RefusingHook() {
    return HookDir() + "/TestHookRefusing.so";
}

// True while the library at that path is mapped into the process.
inline bool IsLoaded(const std::string& path) {
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr)
        return false;
    dlclose(handle);
    return true;
}

// Copies a test library to a path below the fake platform's root (folders made).
inline std::string CopyHook(fake::FakePlatform& platform, const std::string& from,
                            const std::string& relativePath) {
    std::filesystem::path to = std::filesystem::path(platform.Root) / relativePath;
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
        : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
        if (handle_ != nullptr) {
            using SetPoster =
                void (*)(int (*)(std::uintptr_t, unsigned, std::uintptr_t, std::intptr_t));
            reinterpret_cast<SetPoster>(dlsym(handle_, "TestHookSetPoster"))(&Post);
        }
    }
    ~LoadedTestHook() {
        if (handle_ != nullptr)
            dlclose(handle_);
    }
    LoadedTestHook(const LoadedTestHook&) = delete;
    LoadedTestHook& operator=(const LoadedTestHook&) = delete;

    bool Loaded() const { return handle_ != nullptr; }

    int RegistrationCount() const {
        return reinterpret_cast<int (*)()>(dlsym(handle_, "TestHookRegistrationCount"))();
    }
    Registration At(int index) const {
        Registration r;
        reinterpret_cast<int (*)(int, int*, int*, int*)>(dlsym(handle_, "TestHookRegistration"))(
            index, &r.Kind, &r.Window, &r.AllowFiltering);
        return r;
    }
    // The library posts WM_USER + code to its receivers of that kind; the loop then runs.
    int Emit(int kind, int code, std::uintptr_t wParam, std::intptr_t lParam) const {
        int accepted = reinterpret_cast<int (*)(int, int, std::uintptr_t, std::intptr_t)>(
            dlsym(handle_, "TestHookEmit"))(kind, code, wParam, lParam);
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
