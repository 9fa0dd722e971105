// The autorun value under HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run.
#pragma once

#include "os/Registry.h"

namespace os {

class Win32AutoRun : public AutoRunStore {
public:
    Win32AutoRun() = default;
    ~Win32AutoRun() override;
    Win32AutoRun(const Win32AutoRun&) = delete;
    Win32AutoRun& operator=(const Win32AutoRun&) = delete;

    bool OpenRunKey() override;
    bool SetRunValue(const std::string& name, const std::string& data) override;
    bool DeleteRunValue(const std::string& name) override;
    bool QueryRunValue(const std::string& name, std::string& data) override;
    void CloseRunKey() override;

private:
    void* key_ = nullptr; // the open Run key (HKEY)
};

} // namespace os
