// The per-user autorun entry (the Run key under HKEY_CURRENT_USER on Windows).
#pragma once

#include <string>

namespace os {

class AutoRunStore {
public:
    virtual ~AutoRunStore() = default;
    // Opens (creating when missing) the place that holds autorun values; false when it cannot.
    virtual bool OpenRunKey() = 0;
    // Sets the value; false when it cannot be written.
    virtual bool SetRunValue(const std::string& name, const std::string& data) = 0;
    // Deletes the value; a value that does not exist is no error.
    virtual bool DeleteRunValue(const std::string& name) = 0;
    // Reads the value back; false when there is none.
    virtual bool QueryRunValue(const std::string& name, std::string& data) = 0;
    virtual void CloseRunKey() = 0;
};

} // namespace os
