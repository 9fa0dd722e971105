// A screen saver for the tests (Wine ships none): "/P <window>" fills a child window of the
// given window with one known colour until it is closed or its parent goes; "/C <window>" and
// "/S" end at once.
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

// The colour the tests look for in the preview panel.
constexpr COLORREF PreviewColor = RGB(255, 0, 255);

LRESULT CALLBACK PreviewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(window, &paint);
        RECT client{};
        GetClientRect(window, &client);
        HBRUSH brush = CreateSolidBrush(PreviewColor);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    const char* preview = std::strstr(commandLine, "/P");
    if (!preview)
        preview = std::strstr(commandLine, "/p");
    if (!preview)
        return 0;
    auto parent =
        reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(preview + 2, nullptr, 10)));
    if (!IsWindow(parent))
        return 1;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &PreviewProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "VistrelTestSaver";
    RegisterClassA(&windowClass);
    RECT area{};
    GetClientRect(parent, &area);
    HWND window = CreateWindowExA(0, "VistrelTestSaver", "", WS_CHILD | WS_VISIBLE, 0, 0,
                                  area.right, area.bottom, parent, nullptr, instance, nullptr);
    if (!window)
        return 1;
    SetTimer(window, 1, 250, nullptr);
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER) {
            if (!IsWindow(parent))
                break;                              // the panel is gone
            InvalidateRect(window, nullptr, FALSE); // painted again, as previews animate
        }
        DispatchMessageA(&message);
    }
    return 0;
}
