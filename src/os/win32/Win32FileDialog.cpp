#include "os/win32/Win32FileDialog.h"

#include "os/win32/Win32Windows.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

namespace os {

std::string Win32FileFilter(const std::string& filter) {
    if (filter.empty())
        return {};
    std::string native = filter;
    for (char& c : native)
        if (c == '|')
            c = '\0';
    native.push_back('\0');
    native.push_back('\0');
    return native;
}

bool Win32GetOpenFileName(OpenFileName& request) {
    // Room for a long path; the proposed name is copied in, cut to fit.
    std::vector<char> file(32768, '\0');
    request.FileName.copy(file.data(), std::min(request.FileName.size(), file.size() - 1));
    const std::string filter = Win32FileFilter(request.Filter);

    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = reinterpret_cast<::HWND>(request.Owner);
    dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    dialog.nFilterIndex = static_cast<::DWORD>(request.FilterIndex > 0 ? request.FilterIndex : 1);
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<::DWORD>(file.size());
    dialog.lpstrInitialDir = request.InitialDir.empty() ? nullptr : request.InitialDir.c_str();
    dialog.lpstrTitle = request.Title.empty() ? nullptr : request.Title.c_str();
    dialog.Flags =
        OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    // Cancelled and failed alike: nothing is chosen (the caller has nothing to report).
    if (!::GetOpenFileNameA(&dialog))
        return false;
    request.FileName = file.data();
    request.FilterIndex = static_cast<int>(dialog.nFilterIndex);
    return true;
}

} // namespace os
