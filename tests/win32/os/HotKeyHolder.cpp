// Holds F4 as a hot key in a process of its own until the named event given as its argument
// is set; sets "<event>-held" once the key is registered (or "<event>-failed" if it is not).
// With "--try" it only tells by its exit code whether F4 is free (0) or held elsewhere (1).
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const std::string name = argv[1];
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    const bool held = window != nullptr && RegisterHotKey(window, 1, 0, VK_F4);
    if (name == "--try")
        return held ? 0 : 1;
    HANDLE report =
        CreateEventA(nullptr, TRUE, FALSE, (name + (held ? "-held" : "-failed")).c_str());
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
    SetEvent(report);
    WaitForSingleObject(done, 30000);
    return held ? 0 : 1;
}
