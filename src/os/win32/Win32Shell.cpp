#include "os/win32/Win32Shell.h"

#include "os/win32/Win32FileDialog.h"

#include "os/win32/Win32Windows.h"

#include <cstring>
#include <memory>

namespace os {

namespace {

::HWND Native(os::HWND window) {
    return reinterpret_cast<::HWND>(window);
}

struct MenuDestroyer {
    void operator()(::HMENU menu) const { ::DestroyMenu(menu); }
};
using UniqueMenu = std::unique_ptr<std::remove_pointer_t<::HMENU>, MenuDestroyer>;

template <std::size_t N, std::size_t M>
void CopyText(char (&to)[N], const char (&from)[M]) {
    static_assert(N >= M);
    std::memcpy(to, from, M);
    to[M - 1] = '\0';
}

} // namespace

Win32Shell::~Win32Shell() {
    for (HICON icon : icons_)
        ::DestroyIcon(reinterpret_cast<::HICON>(icon));
}

UINT Win32Shell::IdFor(HWND window, UINT callbackMessage, std::uintptr_t identity) {
    auto found = ids_.find({window, identity});
    if (found == ids_.end()) {
        UINT id = nextId_++;
        while (id == 0 || identities_.count({window, id}) != 0)
            id = nextId_++;
        found = ids_.emplace(std::make_pair(window, identity), id).first;
        identities_[{window, id}] = identity;
    }
    if (callbackMessage != 0 && translated_.insert({window, callbackMessage}).second)
        loop_.TranslateWParam(window, callbackMessage, [this, window](WPARAM shellId) {
            return IdentityOf(window, shellId);
        });
    return found->second;
}

WPARAM Win32Shell::IdentityOf(HWND window, WPARAM shellId) const {
    const auto found = identities_.find({window, static_cast<UINT>(shellId)});
    // An id of an icon that is gone names nobody.
    return found != identities_.end() && shellId <= 0xFFFFFFFFu ? found->second : 0;
}

UINT Win32Shell::ShellIdOf(HWND window, std::uintptr_t identity) const {
    const auto found = ids_.find({window, identity});
    return found != ids_.end() ? found->second : 0;
}

bool Win32Shell::Shell_NotifyIcon(DWORD message, const NotifyIconData& data) {
    NOTIFYICONDATAA record{};
    // The size that carries balloons, which every shell since Windows 2000 takes.
    record.cbSize = NOTIFYICONDATAA_V2_SIZE;
    record.hWnd = Native(data.hWnd);
    record.uID =
        IdFor(data.hWnd, (data.uFlags & NIF_MESSAGE) ? data.uCallbackMessage : 0, data.uID);
    record.uFlags = data.uFlags;
    record.uCallbackMessage = data.uCallbackMessage;
    record.hIcon = reinterpret_cast<::HICON>(data.hIcon);
    CopyText(record.szTip, data.szTip);
    record.dwState = data.dwState;
    record.dwStateMask = data.dwStateMask;
    CopyText(record.szInfo, data.szInfo);
    record.uTimeout = data.uTimeoutOrVersion; // shares its place with uVersion
    CopyText(record.szInfoTitle, data.szInfoTitle);
    record.dwInfoFlags = data.dwInfoFlags;
    const bool done = ::Shell_NotifyIconA(message, &record) != 0;
    if (message == NIM_DELETE) {
        identities_.erase({data.hWnd, record.uID});
        ids_.erase({data.hWnd, data.uID});
    }
    return done;
}

int Win32Shell::TrackPopupMenu(const std::vector<MenuEntry>& entries, TPoint at, HWND owner) {
    UniqueMenu menu(::CreatePopupMenu());
    if (!menu)
        return 0;
    for (const MenuEntry& entry : entries) {
        const bool added =
            entry.Separator
                ? ::AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr)
                : ::AppendMenuA(menu.get(), MF_STRING | (entry.Enabled ? 0u : MF_GRAYED),
                                static_cast<UINT_PTR>(entry.Command), entry.Caption.c_str());
        if (!added)
            return 0;
        if (entry.Default && !entry.Separator)
            ::SetMenuDefaultItem(menu.get(), static_cast<UINT>(entry.Command), FALSE);
    }
    // The command comes back as the result; nothing is posted to the owner.
    return static_cast<int>(::TrackPopupMenu(menu.get(),
                                             TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.X,
                                             at.Y, 0, Native(owner), nullptr));
}

HICON Win32Shell::LoadIconResource(const std::string& name) {
    const bool small = name.rfind("TRAY", 0) == 0;
    const int size = ::GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON);
    ::HANDLE icon = ::LoadImageA(::GetModuleHandleA(nullptr), name.c_str(), IMAGE_ICON, size, size,
                                 LR_DEFAULTCOLOR);
    if (icon == nullptr)
        return 0;
    const auto handle = reinterpret_cast<HICON>(icon);
    icons_.insert(handle);
    return handle;
}

void Win32Shell::DestroyIcon(HICON icon) {
    if (icons_.erase(icon) != 0)
        ::DestroyIcon(reinterpret_cast<::HICON>(icon));
}

int Win32Shell::MessageBox(HWND owner, const std::string& text, const std::string& caption,
                           UINT flags) {
    return ::MessageBoxA(Native(owner), text.c_str(), caption.c_str(), flags);
}

bool Win32Shell::GetOpenFileName(OpenFileName& request) {
    return Win32GetOpenFileName(request);
}

} // namespace os
