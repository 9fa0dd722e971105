// The portable profile engine as a store kind of the shared test vectors, and the fixture of
// its own tests.
#pragma once

#include "os/common/ProfileFile.h"
#include "ProfileVectors.h"

#include <functional>
#include <memory>
#include <string>

namespace profiletest {

struct EngineStore {
    static constexpr bool KeepsBlankLines = true;
    static constexpr bool ListsLinesWithoutEquals = true;
    static constexpr bool IgnoresSemicolonLines = true;
    static std::unique_ptr<os::ProfileStore> Make(std::function<std::string()> windowsDir) {
        return std::make_unique<os::ProfileFileStore>(std::move(windowsDir));
    }
};

using ProfileFileTest = ProfileVectors<EngineStore>;

} // namespace profiletest
