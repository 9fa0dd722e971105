#include "WineTestPlatform.h"

#include "os/win32/Win32Windows.h"

#include <tlhelp32.h>

#undef PostMessage
#undef SendMessage
#undef RegisterWindowMessage

#include <algorithm>
#include <fstream>
#include <string>

#include <cstdio>
#include <cstdlib>

namespace wtest {

namespace {

TestLoop* TheLoop = nullptr;
constexpr const char* WindowClass = "VistrelTestMessageWindow";

} // namespace

struct LoopAccess {
    static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (TheLoop != nullptr) {
            auto it = TheLoop->procs_.find(reinterpret_cast<os::HWND>(window));
            if (it != TheLoop->procs_.end()) {
                os::WindowProc proc = it->second; // the handler may destroy its window
                if (const os::MessageResult result = proc(msg, wParam, lParam))
                    return *result;
            }
        }
        return DefWindowProcA(window, msg, wParam, lParam);
    }
};

TestLoop::TestLoop() {
    TheLoop = this;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &LoopAccess::Proc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = WindowClass;
    RegisterClassA(&windowClass);
}

TestLoop::~TestLoop() {
    for (auto& [window, proc] : procs_)
        ::DestroyWindow(reinterpret_cast<HWND>(window));
    procs_.clear();
    TheLoop = nullptr;
}

os::HWND TestLoop::CreateMessageWindow(os::WindowProc proc) {
    HWND window = CreateWindowExA(0, WindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr)
        return 0;
    procs_[reinterpret_cast<os::HWND>(window)] = std::move(proc);
    return reinterpret_cast<os::HWND>(window);
}

void TestLoop::DestroyWindow(os::HWND window) {
    procs_.erase(window);
    ::DestroyWindow(reinterpret_cast<HWND>(window));
}

bool TestLoop::IsWindow(os::HWND window) {
    return ::IsWindow(reinterpret_cast<HWND>(window)) != 0;
}

bool TestLoop::PostMessage(os::HWND window, os::UINT msg, os::WPARAM wParam, os::LPARAM lParam) {
    return PostMessageA(reinterpret_cast<HWND>(window), msg, wParam, lParam) != 0;
}

os::LRESULT TestLoop::SendMessage(os::HWND window, os::UINT msg, os::WPARAM wParam,
                                  os::LPARAM lParam) {
    return SendMessageA(reinterpret_cast<HWND>(window), msg, wParam, lParam);
}

os::UINT TestLoop::RegisterWindowMessage(const std::string& name) {
    return RegisterWindowMessageA(name.c_str());
}

void TestLoop::ProcessMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool TestLoop::GetCursorPos(os::TPoint& point) {
    POINT p;
    if (!::GetCursorPos(&p))
        return false;
    point = {p.x, p.y};
    return true;
}

bool TestLoop::PumpUntil(const std::function<bool()>& done, unsigned timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        ProcessMessages();
        if (done())
            return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                  static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 20)),
                                  QS_ALLINPUT);
    }
}

void TestLoop::PumpFor(unsigned ms) {
    PumpUntil([] { return false; }, ms);
}

TestPlatform::TestPlatform() : installed_(*this) {}

TestPlatform::~TestPlatform() = default;

void TestPlatform::Unused(const char* what) {
    std::fprintf(stderr, "the test reached the platform's %s, which it does not provide\n", what);
    std::abort();
}

int RunHost(const std::string& shellCommand, unsigned timeoutMs) {
    // Wine starts a Linux program by its Z: path, but the handle it gives back can be neither
    // waited for nor asked for an exit code: the command reports its end through a file.
    static int serial = 0;
    const std::string base = "/tmp/vistrel-runhost-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(++serial);
    auto windowsPath = [](std::string path) {
        for (char& c : path)
            if (c == '/')
                c = '\\';
        return "Z:" + path;
    };
    const std::string script = base + ".sh";
    const std::string done = base + ".done";
    {
        std::ofstream out(windowsPath(script), std::ios::binary);
        out << shellCommand << "\necho $? > " << done << ".tmp && mv " << done << ".tmp " << done
            << "\n";
        if (!out)
            return -1;
    }
    std::string commandLine = "Z:\\bin\\sh " + script;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    int code = -1;
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < deadline) {
        // The test's windows go on handling their messages: input reaches Wine through them.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        std::ifstream in(windowsPath(done));
        if (in >> code)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    DeleteFileA(windowsPath(script).c_str());
    DeleteFileA(windowsPath(done).c_str());
    return code;
}

int ThreadCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == Win32InvalidHandle)
        return -1;
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId())
            ++count;
    CloseHandle(snapshot);
    return count;
}

std::string ExeDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path);
    return text.substr(0, text.find_last_of("\\/") + 1);
}

} // namespace wtest
