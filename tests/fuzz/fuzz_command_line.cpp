// Command lines of any content split as Windows splits them, and any program path, quoted for
// a command line, comes back whole as its first word followed by the arguments.
#include "os/common/CommandLine.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)os::SplitCommandLine(text);
    (void)os::SplitArguments(text);

    // The updater and screen-saver lines: a path from the input, then fixed arguments.
    const std::string& path = text;
    if (path.empty() || path.find('\0') != std::string::npos)
        return 0;
    const std::vector<std::string> words = os::SplitCommandLine(os::QuoteIfBlank(path) + " /P 42");
    if (words.size() != 3 || words[0] != path || words[1] != "/P" || words[2] != "42")
        std::abort();
    return 0;
}
