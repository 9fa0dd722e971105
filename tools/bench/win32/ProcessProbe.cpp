// What Windows itself reports about every running Vistrel.exe: private bytes, working set,
// handles, GDI and USER objects, threads. Cross-built and run by tools/bench/vistrel-wine-idle.sh.
#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>

int main() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 1;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int found = 0;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, "Vistrel.exe") != 0)
            continue;
        HANDLE process =
            OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID);
        if (process == nullptr)
            continue;
        PROCESS_MEMORY_COUNTERS_EX memory{};
        memory.cb = sizeof memory;
        GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof memory);
        DWORD handles = 0;
        GetProcessHandleCount(process, &handles);
        std::printf("private bytes: %zu KB\nworking set: %zu KB\nhandles: %lu\n"
                    "GDI objects: %lu\nUSER objects: %lu\nthreads: %lu\n",
                    memory.PrivateUsage / 1024, memory.WorkingSetSize / 1024, handles,
                    GetGuiResources(process, GR_GDIOBJECTS),
                    GetGuiResources(process, GR_USEROBJECTS), entry.cntThreads);
        CloseHandle(process);
        ++found;
    }
    CloseHandle(snapshot);
    return found > 0 ? 0 : 1;
}
