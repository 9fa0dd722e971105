// The profile test vectors against the system's own profile functions (through Win32Profile).
#include "os/win32/Win32Profile.h"
#include "ProfileVectors.h"

#include <gtest/gtest.h>

namespace {

// Where Wine's profile functions differ from the portable engine, and why the program does not
// mind. (Wine also keeps values beyond 2047 characters; Win32Profile's buffer cuts them there.)
struct SystemStore {
    // Wine writes the file anew from what it parsed, without the blank lines. Only the look of
    // the file changes; every section, key and comment stays.
    static constexpr bool KeepsBlankLines = false;
    // A line without '=' is left out of the key-name list. The program lists keys only to
    // collect a language file's memo lines and hints; such a line has no text to give.
    static constexpr bool ListsLinesWithoutEquals = false;
    // A line "; name=value" is found by its whole key "; name" (the key list skips it). None of
    // the program's keys begins with ';'.
    static constexpr bool IgnoresSemicolonLines = false;

    // The system looks bare file names up in its own Windows folder; the vectors name full paths.
    static std::unique_ptr<os::ProfileStore> Make(std::function<std::string()> /*windowsDir*/) {
        return std::make_unique<os::Win32Profile>();
    }
};

} // namespace

namespace profiletest {
INSTANTIATE_TYPED_TEST_SUITE_P(System, ProfileVectors, SystemStore);
} // namespace profiletest
