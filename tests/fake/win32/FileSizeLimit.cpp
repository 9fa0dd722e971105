#include "FileSizeLimit.h"

namespace fake {

// Windows has no per-process limit on file sizes.
FileSizeLimit::FileSizeLimit(std::uint64_t /*bytes*/) {}
FileSizeLimit::~FileSizeLimit() = default;

bool FileSizeLimit::Supported() {
    return false;
}

} // namespace fake
