// Looks at another program's windows for the tests (a console program):
//   WindowProbe.exe texts "<title>"   every window inside the top-level window of that title,
//                                     one line each: depth, class, visible (1/0), the rectangle
//                                     in the top-level window's client coordinates, the text,
//                                     the handle
//   WindowProbe.exe close "<title>"  asks the window to close, as its close box does
//   WindowProbe.exe tips "<title>"   the texts of the tooltips on screen that belong to the
//                                     window of that title, one line each
//   WindowProbe.exe overlaps "<title>"  visible sibling controls whose rectangles overlap, one
//                                     line each (a tab control's pages lie over it by
//                                     design); exit code 1 when there is any
// Exit code 2 when no such window exists.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Item {
    HWND Window;
    int Depth;
    RECT Rect; // in the top-level window's client coordinates
};

HWND root = nullptr;

RECT RectIn(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(HWND_DESKTOP, root, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void Collect(HWND parent, int depth, std::vector<Item>& items) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        items.push_back({child, depth, RectIn(child)});
        Collect(child, depth + 1, items);
    }
}

std::string ClassOf(HWND window) {
    char name[128] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

std::string TextOf(HWND window) {
    char text[1024] = {};
    // Sent, so another process's controls answer with their own text.
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

// The windows visible up to the top-level window.
bool Shown(HWND window) {
    return IsWindowVisible(window) != FALSE;
}

} // namespace

BOOL CALLBACK PrintTip(HWND window, LPARAM) {
    if (ClassOf(window) == TOOLTIPS_CLASSA && IsWindowVisible(window) &&
        GetWindow(window, GW_OWNER) == root)
        std::printf("%s\n", TextOf(window).c_str());
    return TRUE;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: WindowProbe texts|overlaps <title>\n");
        return 3;
    }
    const std::string command = argv[1];
    root = FindWindowA(nullptr, argv[2]);
    if (!root) {
        std::fprintf(stderr, "no window \"%s\"\n", argv[2]);
        return 2;
    }
    if (command == "close")
        return PostMessageA(root, WM_CLOSE, 0, 0) ? 0 : 1;
    if (command == "tips") {
        EnumWindows(&PrintTip, 0);
        return 0;
    }
    std::vector<Item> items;
    Collect(root, 0, items);
    if (command == "texts") {
        for (const Item& item : items)
            std::printf("%d|%s|%d|%ld,%ld,%ld,%ld|%s|%llu\n", item.Depth,
                        ClassOf(item.Window).c_str(), Shown(item.Window) ? 1 : 0, item.Rect.left,
                        item.Rect.top, item.Rect.right, item.Rect.bottom,
                        TextOf(item.Window).c_str(),
                        static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(item.Window)));
        return 0;
    }
    if (command == "overlaps") {
        int found = 0;
        for (std::size_t i = 0; i < items.size(); ++i) {
            for (std::size_t j = i + 1; j < items.size(); ++j) {
                const Item& a = items[i];
                const Item& b = items[j];
                if (GetParent(a.Window) != GetParent(b.Window) || !Shown(a.Window) ||
                    !Shown(b.Window))
                    continue;
                // A tab control's pages lie over it.
                if (ClassOf(a.Window) == "SysTabControl32" ||
                    ClassOf(b.Window) == "SysTabControl32")
                    continue;
                RECT both{};
                if (!IntersectRect(&both, &a.Rect, &b.Rect))
                    continue;
                ++found;
                std::printf("%s \"%s\" overlaps %s \"%s\"\n", ClassOf(a.Window).c_str(),
                            TextOf(a.Window).c_str(), ClassOf(b.Window).c_str(),
                            TextOf(b.Window).c_str());
            }
        }
        return found ? 1 : 0;
    }
    std::fprintf(stderr, "unknown command %s\n", command.c_str());
    return 3;
}
