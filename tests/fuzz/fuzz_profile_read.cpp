// Reading a profile file of any content: every value within its limit, every listed key name
// a real name.
#include "FuzzFile.h"
#include "os/common/ProfileFile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFolder folder;
    static os::ProfileFileStore store(nullptr);
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(40);
    const std::string key = input.ConsumeRandomLengthString(40);
    const std::string path = folder.Path() + "read.ini";
    folder.Write("read.ini", input.ConsumeRemainingBytesAsString());

    if (store.GetPrivateProfileString(section, key, "", path).size() > 2047)
        std::abort();
    std::size_t listed = 1;
    for (const std::string& name : store.GetPrivateProfileKeyNames(section, path)) {
        // A name is what stands before "=" on one line, without the blanks around it.
        if (name.empty() || name.find_first_of("\r\n=") != std::string::npos ||
            name.front() == ' ' || name.back() == ' ')
            std::abort();
        listed += name.size() + 1;
        if (store.GetPrivateProfileString(section, name, "", path).size() > 2047)
            std::abort();
    }
    if (listed > 16384)
        std::abort();
    return 0;
}
