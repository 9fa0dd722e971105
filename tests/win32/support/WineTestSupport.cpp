#include "WineTestSupport.h"

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <fstream>
#include <vector>

namespace wtest {

bool PumpUntil(os::MessageLoop& loop, const std::function<bool()>& done, unsigned timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        loop.ProcessMessages();
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

void PumpFor(os::MessageLoop& loop, unsigned ms) {
    PumpUntil(
        loop, [] { return false; }, ms);
}

int RunHost(const std::string& shellCommand, unsigned timeoutMs) {
    // Wine starts a Linux program by its Z: path, but the handle it gives back can be neither
    // waited for nor asked for an exit code: the command reports its end through a file.
    static int serial = 0;
    const std::string base = "/tmp/vistrel-runhost-" + std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(++serial);
    auto windowsPath = [](std::string path) {
        std::replace(path.begin(), path.end(), '/', '\\');
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

int ThreadsStartedIn(const char* moduleName) {
    const HMODULE module = GetModuleHandleA(moduleName);
    if (module == nullptr)
        return 0;
    const auto* base = reinterpret_cast<const unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const auto begin = reinterpret_cast<ULONG_PTR>(base);
    const ULONG_PTR end = begin + nt->OptionalHeader.SizeOfImage;
    constexpr int ThreadQuerySetWin32StartAddress = 9;
    using Query = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationThread")));
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (query == nullptr || snapshot == INVALID_HANDLE_VALUE)
        return -1;
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != GetCurrentProcessId())
            continue;
        HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
        if (thread == nullptr)
            continue;
        ULONG_PTR start = 0;
        if (query(thread, ThreadQuerySetWin32StartAddress, &start, sizeof start, nullptr) == 0 &&
            start >= begin && start < end)
            ++count;
        CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return count;
}

long HandleCount() {
    struct Entry {
        PVOID Object;
        ULONG_PTR ProcessId;
        ULONG_PTR Handle;
        ULONG GrantedAccess;
        USHORT CreatorBackTraceIndex;
        USHORT ObjectTypeIndex;
        ULONG HandleAttributes;
        ULONG Reserved;
    };
    struct List {
        ULONG_PTR Count;
        ULONG_PTR Reserved;
        Entry Handles[1];
    };
    constexpr int SystemExtendedHandleInformation = 64;
    using Query = LONG(WINAPI*)(int, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr)
        return -1;
    std::vector<char> buffer(1 << 20);
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG needed = 0;
        if (query(SystemExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                  &needed) == 0) {
            const auto* list = reinterpret_cast<const List*>(buffer.data());
            long count = 0;
            for (ULONG_PTR i = 0; i < list->Count; ++i)
                count += list->Handles[i].ProcessId == GetCurrentProcessId() ? 1 : 0;
            return count;
        }
        buffer.resize(buffer.size() * 2);
    }
    return -1;
}

std::string ExeDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path);
    return text.substr(0, text.find_last_of("\\/") + 1);
}

} // namespace wtest
