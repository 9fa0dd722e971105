#include "os/win32/Win32Handle.h"

#include "os/win32/Win32Windows.h"

namespace os {

Win32Handle::Win32Handle(void* handle) : handle_(handle == Win32InvalidHandle ? nullptr : handle) {}

void Win32Handle::Reset() {
    if (handle_ != nullptr)
        ::CloseHandle(std::exchange(handle_, nullptr));
}

std::string Win32ErrorText(::DWORD code) {
    char buffer[1024];
    ::DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, buffer, sizeof buffer, nullptr);
    while (n > 0 && (static_cast<unsigned char>(buffer[n - 1]) <= ' ' || buffer[n - 1] == '.'))
        --n;
    if (n == 0)
        return "System error " + std::to_string(code);
    return std::string(buffer, n);
}

} // namespace os
