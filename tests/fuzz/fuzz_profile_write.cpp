// Writing one key into a profile file of any content, then reading the file again: the key
// reads back exactly the value written (in the form the settings are stored in), and every
// other key of every section reads as it did before.
#include "FuzzFile.h"
#include "os/common/ProfileFile.h"
#include "os/common/Text.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>

namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Section names as the engine sees them: a trimmed line that starts with "[" and has a "]".
std::vector<std::string> SectionNames(const std::string& content) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= content.size()) {
        std::size_t end = content.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = content.size();
        std::string line = os::TrimBlanks(std::string_view(content).substr(start, end - start));
        std::size_t close = line.rfind(']');
        if (!line.empty() && line[0] == '[' && close != std::string::npos)
            names.push_back(os::TrimBlanks(std::string_view(line).substr(1, close - 1)));
        start = end + 1;
    }
    return names;
}

// Every (section, key) the file lists, with the value each reads as.
using Snapshot = std::map<std::pair<std::string, std::string>, std::string>;

Snapshot Read(os::ProfileFileStore& store, const std::vector<std::string>& sections,
              const std::string& path) {
    Snapshot snapshot;
    for (const std::string& section : sections)
        for (const std::string& key : store.GetPrivateProfileKeyNames(section, path))
            snapshot.emplace(std::make_pair(Lower(section), Lower(key)),
                             store.GetPrivateProfileString(section, key, "\x01", path));
    return snapshot;
}

// Names a caller can write: one line, no zero byte, no blanks at the ends; a key holds no "="
// and does not look like a section or a comment, a section holds no "]".
bool Writable(const std::string& name, const char* forbidden) {
    return !name.empty() && name.find_first_of(forbidden) == std::string::npos &&
           name.find('\0') == std::string::npos && os::TrimBlanks(name) == name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::ScratchFolder folder;
    static os::ProfileFileStore store(nullptr);
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(24);
    const std::string key = input.ConsumeRandomLengthString(24);
    const std::string value = input.ConsumeRandomLengthString(2100);
    const std::string content = input.ConsumeRemainingBytesAsString();
    if (!Writable(section, "\r\n]") || !Writable(key, "\r\n=") || key[0] == '[' || key[0] == ';' ||
        value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        return -1;
    const std::string stored = os::ProfileValueText(value);
    if (stored.size() > 2047)
        return -1; // longer than any value a read returns

    const std::string path = folder.Path() + "write.ini";
    folder.Write("write.ini", content);
    std::vector<std::string> sections = SectionNames(content);
    sections.push_back(section);
    Snapshot before = Read(store, sections, path);

    if (!store.WritePrivateProfileString(section, key, stored, path))
        std::abort();
    if (store.GetPrivateProfileString(section, key, "\x01", path) != value)
        std::abort();

    Snapshot after = Read(store, sections, path);
    const auto written = std::make_pair(Lower(section), Lower(key));
    before.erase(written);
    after.erase(written);
    if (before != after)
        std::abort();
    return 0;
}
