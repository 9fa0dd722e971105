// A program file of any content searched for its version block, and any block queried for
// the values the About box shows: no read outside the bytes given.
#include "os/common/VersionBlock.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The block is read from a copy of exactly its own size, as the About box reads it.
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::size_t offset = 0;
    std::size_t found = 0;
    if (os::FindVersionBlock(bytes, offset, found) && (offset + found > size || found < 6))
        std::abort();

    std::vector<std::uint8_t> block(data, data + size);
    const void* base = block.empty() ? nullptr : block.data();
    const void* value = nullptr;
    os::UINT length = 0;
    if (os::VerQueryValue(base, block.size(), "\\", value, length)) {
        auto at = static_cast<const std::uint8_t*>(value);
        if (at < block.data() || at + length > block.data() + block.size())
            std::abort();
    }
    std::string text;
    for (const char* query :
         {"\\VarFileInfo\\Translation", "\\StringFileInfo\\040904E4\\FileVersion",
          "\\StringFileInfo\\040904B0\\CompanyName", "\\StringFileInfo"}) {
        if (os::VerQueryValue(base, block.size(), query, value, length)) {
            auto at = static_cast<const std::uint8_t*>(value);
            if (at < block.data() || at > block.data() + block.size())
                std::abort();
        }
        os::VerQueryString(base, block.size(), query, text);
    }
    return 0;
}
