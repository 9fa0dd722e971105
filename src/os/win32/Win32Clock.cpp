#include "os/win32/Win32Clock.h"

#include "os/common/DateTime.h"

#include "os/win32/Win32Windows.h"

namespace os {

double Win32Clock::Now() {
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    return EncodeDateTime(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute,
                          local.wSecond + local.wMilliseconds / 1000.0);
}

std::uint64_t Win32Clock::TickCount() {
    return ::GetTickCount64();
}

} // namespace os
