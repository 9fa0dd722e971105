// Lowers the largest file this process may write while it lives, as a full disk would stop a
// write part-way; root is bound by it too, and such writes fail instead of raising a signal.
// Only POSIX systems have the limit: elsewhere Supported() is false and nothing changes.
#pragma once

#include <cstdint>

namespace fake {

class FileSizeLimit {
public:
    explicit FileSizeLimit(std::uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    static bool Supported();

private:
    std::uint64_t oldLimit_ = 0;
    void (*oldHandler_)(int) = nullptr;
};

} // namespace fake
