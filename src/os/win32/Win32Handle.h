// A kernel handle (file, process, mutex) with one owner; closed when the owner goes.
#pragma once

#include <utility>

namespace os {

class Win32Handle {
public:
    Win32Handle() = default;
    // Takes the handle; null and INVALID_HANDLE_VALUE both mean none.
    explicit Win32Handle(void* handle);
    ~Win32Handle() { Reset(); }
    Win32Handle(Win32Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Win32Handle& operator=(Win32Handle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    Win32Handle(const Win32Handle&) = delete;
    Win32Handle& operator=(const Win32Handle&) = delete;

    void* Get() const { return handle_; }
    bool Valid() const { return handle_ != nullptr; }
    void Reset();

private:
    void* handle_ = nullptr;
};

} // namespace os
