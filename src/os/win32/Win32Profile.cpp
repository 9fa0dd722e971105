#include "os/win32/Win32Profile.h"

#include "os/win32/Win32Windows.h"

namespace os {

namespace {

constexpr ::DWORD ValueBufferSize = 2048;
constexpr ::DWORD KeyNamesBufferSize = 16384;

} // namespace

std::string Win32Profile::GetPrivateProfileString(const std::string& section,
                                                  const std::string& key,
                                                  const std::string& defaultValue,
                                                  const std::string& fileName) {
    char buffer[ValueBufferSize];
    const ::DWORD n = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(),
                                                 buffer, ValueBufferSize, fileName.c_str());
    return std::string(buffer, n);
}

bool Win32Profile::WritePrivateProfileString(const std::string& section, const std::string& key,
                                             const std::string& value,
                                             const std::string& fileName) {
    // The system writes a value as it is: a line break in it would start lines of its own, even
    // sections, on the next read. Only the first line is kept.
    const std::string oneLine = value.substr(0, value.find_first_of("\r\n"));
    return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), oneLine.c_str(),
                                        fileName.c_str()) != 0;
}

std::vector<std::string> Win32Profile::GetPrivateProfileKeyNames(const std::string& section,
                                                                 const std::string& fileName) {
    // Without a key name the function lists the section's keys, each ending with a zero.
    std::vector<char> buffer(KeyNamesBufferSize, '\0');
    const ::DWORD n = ::GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.data(),
                                                 KeyNamesBufferSize, fileName.c_str());
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (buffer[i] != '\0')
            continue;
        names.emplace_back(buffer.data() + start, i - start);
        start = i + 1;
    }
    // A list cut off by the buffer ends in a name without its zero; it is not taken.
    return names;
}

} // namespace os
