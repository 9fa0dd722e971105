// A scratch folder for targets whose parser reads a file: in memory-backed storage when the
// system has it, so that the writes of every run cost no disk. It goes when the process ends
// normally (as libFuzzer's -max_total_time and -runs end it).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fuzz {

class ScratchFolder {
public:
    ScratchFolder() {
        const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/vistrel-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        path_ = pattern + "/";
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder with its final separator.
    const std::string& Path() const { return path_; }

    void Write(const std::string& name, const std::string& content) const {
        std::ofstream out(path_ + name, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        if (!out)
            std::abort();
    }

private:
    std::string path_;
};

} // namespace fuzz
