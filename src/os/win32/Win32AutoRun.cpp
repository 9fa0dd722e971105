#include "os/win32/Win32AutoRun.h"

#include "os/win32/Win32Windows.h"

#include <cstring>
#include <utility>
#include <vector>

namespace os {

namespace {

constexpr const char* RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

} // namespace

Win32AutoRun::~Win32AutoRun() {
    CloseRunKey();
}

bool Win32AutoRun::OpenRunKey() {
    CloseRunKey();
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, RunKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    key_ = key;
    return true;
}

bool Win32AutoRun::SetRunValue(const std::string& name, const std::string& data) {
    if (key_ == nullptr)
        return false;
    return ::RegSetValueExA(static_cast<HKEY>(key_), name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<::DWORD>(data.size() + 1)) == ERROR_SUCCESS;
}

bool Win32AutoRun::DeleteRunValue(const std::string& name) {
    if (key_ == nullptr)
        return false;
    const LONG result = ::RegDeleteValueA(static_cast<HKEY>(key_), name.c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool Win32AutoRun::QueryRunValue(const std::string& name, std::string& data) {
    if (key_ == nullptr)
        return false;
    ::DWORD type = 0;
    ::DWORD size = 0;
    if (::RegQueryValueExA(static_cast<HKEY>(key_), name.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    std::vector<char> buffer(size + 1, '\0');
    if (::RegQueryValueExA(static_cast<HKEY>(key_), name.c_str(), nullptr, &type,
                           reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
        return false;
    // The stored text need not carry its terminator.
    data.assign(buffer.data(), ::strnlen(buffer.data(), size));
    return true;
}

void Win32AutoRun::CloseRunKey() {
    if (key_ != nullptr)
        ::RegCloseKey(static_cast<HKEY>(std::exchange(key_, nullptr)));
}

} // namespace os
