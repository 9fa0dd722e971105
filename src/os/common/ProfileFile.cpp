#include "os/common/ProfileFile.h"

#include "os/common/Text.h"
#include "os/Types.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace os {

namespace {

constexpr std::size_t MaxValueLength = 2047;
// The key-name list is one buffer of this size: each name with its zero byte, then one more.
constexpr std::size_t KeyNamesBufferSize = 16384;
constexpr const char* Utf8Bom = "\xEF\xBB\xBF";

std::string Trim(const std::string& text) {
    return os::TrimBlanks(text);
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

// Lines end at CR LF, a lone CR or a lone LF; a final line end adds no empty line.
std::vector<std::string> SplitLines(const std::string& content) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < content.size(); ++i) {
        char c = content[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(std::move(line));
    return lines;
}

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind Kind = LineKind::Other;
    std::string Name;
    std::string Value;
    bool HasValue = false; // a key line without "=" has a name but no value
};

ParsedLine ParseLine(const std::string& line) {
    ParsedLine parsed;
    std::string text = Trim(line);
    if (text.empty() || text[0] == ';')
        return parsed; // blank or comment
    if (text[0] == '[') {
        std::size_t close = text.rfind(']');
        if (close != std::string::npos) {
            parsed.Kind = LineKind::Section;
            parsed.Name = Trim(text.substr(1, close - 1));
        }
        return parsed;
    }
    std::size_t equals = text.find('=');
    parsed.Name = Trim(text.substr(0, equals));
    if (parsed.Name.empty())
        return parsed;
    parsed.Kind = LineKind::Key;
    if (equals != std::string::npos) {
        parsed.Value = Trim(text.substr(equals + 1));
        parsed.HasValue = true;
    }
    return parsed;
}

// One pair of enclosing quotes, single or double, is removed.
std::string Unquote(const std::string& value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

std::string Limit(std::string text) {
    if (text.size() > MaxValueLength)
        text.resize(MaxValueLength);
    return text;
}

enum class LoadResult { Loaded, Missing, Unreadable };

struct ProfileText {
    std::vector<std::string> Lines;
    bool Bom = false;
};

LoadResult Load(const std::string& path, ProfileText& profile) {
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found)
        return LoadResult::Missing;
    if (ec || !fs::is_regular_file(status))
        return LoadResult::Unreadable;
    // C streams, not iostreams: these would bring their locale machinery into memory for
    // a program that reads its files at start and then sits idle.
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr)
        return LoadResult::Unreadable;
    std::string content;
    char block[16384];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, in)) > 0)
        content.append(block, got);
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed)
        return LoadResult::Unreadable;
    // An editor may have put a UTF-8 mark in front; it is no part of the first line.
    profile.Bom = content.rfind(Utf8Bom, 0) == 0;
    if (profile.Bom)
        content.erase(0, 3);
    profile.Lines = SplitLines(content);
    return LoadResult::Loaded;
}

// Index of the header line of the first section of that name, or npos; end receives the
// index of the line after the section's last line.
std::size_t FindSection(const std::vector<std::string>& lines, const std::string& section,
                        std::size_t& end) {
    std::size_t start = std::string::npos;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ParsedLine parsed = ParseLine(lines[i]);
        if (parsed.Kind != LineKind::Section)
            continue;
        if (start != std::string::npos) {
            end = i;
            return start;
        }
        if (SameText(parsed.Name, section))
            start = i;
    }
    end = lines.size();
    return start;
}

// ---- writing ------------------------------------------------------------------------------

#ifdef _WIN32
int OpenNew(const std::string& path, int /*mode*/) {
    return ::_open(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
}
long WriteSome(int fd, const char* data, std::size_t size) {
    return ::_write(fd, data, static_cast<unsigned>(size));
}
bool Flush(int fd) {
    return ::_commit(fd) == 0;
}
bool CloseFd(int fd) {
    return ::_close(fd) == 0;
}
void SyncFolder(const fs::path&) {}
#else
int OpenNew(const std::string& path, int mode) {
    return ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode);
}
long WriteSome(int fd, const char* data, std::size_t size) {
    return ::write(fd, data, size);
}
bool Flush(int fd) {
    return ::fsync(fd) == 0;
}
bool CloseFd(int fd) {
    return ::close(fd) == 0;
}
// Makes the rename itself durable; a failure here loses nothing that was there before.
void SyncFolder(const fs::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
#endif

bool WriteAll(int fd, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        long n = WriteSome(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Removes what a save cut short (the process killed between writing and renaming) left of
// the target's temporary files. One program writes its settings file at a time, so none of
// them belongs to a save still running.
void RemoveStaleTemporaries(const fs::path& folder, const std::string& targetName) {
    const std::string prefix = targetName + ".~";
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() > prefix.size() + 4 && name.compare(0, prefix.size(), prefix) == 0 &&
            name.compare(name.size() - 4, 4, ".tmp") == 0) {
            std::error_code ignored;
            if (it->is_regular_file(ignored))
                fs::remove(it->path(), ignored);
        }
    }
}

// Whether the user may change an existing file: it has a write permission left (even root
// keeps its hands off a file whose every write bit is off, as Windows does with a read-only
// file), and the system grants this user writing.
bool Writable(const fs::path& file, const fs::file_status& status) {
    constexpr fs::perms anyWrite =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if ((status.permissions() & anyWrite) == fs::perms::none)
        return false;
#ifdef _WIN32
    (void)file; // the permission bits above are what the read-only attribute gives
    return true;
#else
    return ::access(file.c_str(), W_OK) == 0;
#endif
}

// Writes the whole content beside the target and renames it over the target, so that the
// target holds either its old or its new content, never a part of either.
bool ReplaceFile(const std::string& path, const std::string& content) {
    std::error_code ec;
    fs::path target(path);
    // Write through a symbolic link to the file it names instead of replacing the link.
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (ec)
            return false;
        target = resolved;
    }
    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";

    // The new file keeps the old one's permission bits; a new settings file gets the usual.
    int mode = 0666;
    fs::file_status old = fs::status(target, ec);
    if (!ec && fs::is_regular_file(old)) {
        mode = static_cast<int>(old.permissions() & fs::perms::mask);
        // A file its owner made read-only stays as it is: the rename would replace it even
        // so, since only the folder's permission counts for that.
        if (!Writable(target, old))
            return false;
    }

    static std::atomic<unsigned> counter{0};
    int fd = -1;
    fs::path temporary;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        auto stamp = static_cast<unsigned long long>(
            std::chrono::steady_clock::now().time_since_epoch().count());
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".~%llx.tmp", stamp ^ (++counter * 0x9E37u));
        temporary = folder / (target.filename().string() + suffix);
        fd = OpenNew(temporary.string(), mode);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    bool written = WriteAll(fd, content) && Flush(fd);
#ifndef _WIN32
    // open() applied the umask; put the old file's bits back exactly.
    if (written && fs::is_regular_file(old))
        ::fchmod(fd, static_cast<mode_t>(mode));
#endif
    written = CloseFd(fd) && written;
    if (written) {
        fs::rename(temporary, target, ec);
        written = !ec;
    }
    if (!written) {
        fs::remove(temporary, ec);
        return false;
    }
    RemoveStaleTemporaries(folder, target.filename().string());
    SyncFolder(folder);
    return true;
}

std::string Join(const ProfileText& profile) {
    std::string content = profile.Bom ? Utf8Bom : "";
    for (const auto& line : profile.Lines) {
        content += line;
        content += "\r\n";
    }
    return content;
}

// What tells one version of a file from another without reading it: a write by anyone
// changes its time, and a replacement by rename its identity too.
struct FileStamp {
    std::uint64_t Device = 0, Inode = 0, Size = 0;
    std::int64_t Modified = 0, Changed = 0; // nanoseconds
    bool operator==(const FileStamp&) const = default;
};

bool Stamp(const std::string& path, FileStamp& stamp) {
#ifdef _WIN32
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (ec || !fs::is_regular_file(status))
        return false;
    stamp.Size = fs::file_size(path, ec);
    stamp.Modified = fs::last_write_time(path, ec).time_since_epoch().count();
    return !ec;
#else
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    stamp.Device = info.st_dev;
    stamp.Inode = info.st_ino;
    stamp.Size = static_cast<std::uint64_t>(info.st_size);
    stamp.Modified = info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec;
    stamp.Changed = info.st_ctim.tv_sec * 1000000000LL + info.st_ctim.tv_nsec;
    return true;
#endif
}

// A file written within the last moments may be written again within the resolution of its
// time stamp, unseen; its parse is not kept.
bool RecentlyModified(const FileStamp& stamp) {
    constexpr std::int64_t Margin = 2000000000LL; // 2 s in nanoseconds
#ifdef _WIN32
    auto now = fs::file_time_type::clock::now().time_since_epoch();
    auto modified = fs::file_time_type::duration(stamp.Modified);
    return std::chrono::duration_cast<std::chrono::nanoseconds>(now - modified).count() < Margin;
#else
    auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() - stamp.Modified <
           Margin;
#endif
}

std::string LowerText(const std::string& text) {
    std::string lower = text;
    for (char& c : lower)
        c = Lower(c);
    return lower;
}

// One file as read, with an index of its sections and, built on the first lookup in a
// section, of that section's keys.
struct ParsedProfile {
    FileStamp Stamp;
    bool Fresh = false; // written too recently for the stamp to tell: read again next time
    ProfileText Text;
    std::uint64_t LastUse = 0;
    // Lower-cased section name: the first section of that name, [header line, end line).
    std::unordered_map<std::string, std::pair<std::size_t, std::size_t>> Sections;
    // Header line of a section: (hash of the lower-cased key, line) of every key line, sorted.
    std::unordered_map<std::size_t, std::vector<std::pair<std::size_t, std::size_t>>> Keys;

    void IndexSections() {
        // The section whose end is still to be found; "[]" names a section too, so an empty
        // name does not mean none.
        std::optional<std::string> open;
        for (std::size_t i = 0; i < Text.Lines.size(); ++i) {
            ParsedLine parsed = ParseLine(Text.Lines[i]);
            if (parsed.Kind != LineKind::Section)
                continue;
            if (open)
                Sections[*open].second = i;
            open.reset();
            std::string name = LowerText(parsed.Name);
            if (Sections.try_emplace(name, i, Text.Lines.size()).second)
                open = std::move(name);
        }
    }

    // As FindSection, from the index.
    std::size_t Section(const std::string& section, std::size_t& end) const {
        auto it = Sections.find(LowerText(section));
        if (it == Sections.end()) {
            end = Text.Lines.size();
            return std::string::npos;
        }
        end = it->second.second;
        return it->second.first;
    }

    // The line of the first key of that name in the section, or npos.
    std::size_t Key(std::size_t start, std::size_t end, const std::string& key) {
        auto [it, added] = Keys.try_emplace(start);
        auto& index = it->second;
        if (added) {
            for (std::size_t i = start + 1; i < end; ++i) {
                ParsedLine parsed = ParseLine(Text.Lines[i]);
                if (parsed.Kind == LineKind::Key)
                    index.emplace_back(std::hash<std::string>{}(LowerText(parsed.Name)), i);
            }
            std::sort(index.begin(), index.end());
        }
        std::size_t hash = std::hash<std::string>{}(LowerText(key));
        auto match = std::lower_bound(index.begin(), index.end(), std::make_pair(hash, start));
        for (; match != index.end() && match->first == hash; ++match)
            if (SameText(ParseLine(Text.Lines[match->second]).Name, key))
                return match->second;
        return std::string::npos;
    }
};

} // namespace

// The parsed files, the most recently used few of them. Reads check the file's stamp first, so
// a change made on disk by anyone is seen at the next read; writes drop the file's entry.
class ProfileFileStore::Cache {
public:
    std::mutex Mutex;

    // The parse of the file as it is now; null when it is missing or cannot be read.
    ParsedProfile* Get(const std::string& path) {
        FileStamp stamp;
        if (!Stamp(path, stamp)) {
            files_.erase(path);
            return nullptr;
        }
        auto& entry = files_[path];
        if (!entry || !(entry->Stamp == stamp) || entry->Fresh) {
            entry = std::make_unique<ParsedProfile>();
            if (Load(path, entry->Text) != LoadResult::Loaded) {
                files_.erase(path);
                return nullptr;
            }
            // Stamped before reading: a change while reading shows at the next read.
            entry->Stamp = stamp;
            entry->Fresh = RecentlyModified(stamp);
            entry->IndexSections();
        }
        entry->LastUse = ++uses_;
        ParsedProfile* parsed = entry.get();
        Trim();
        return parsed;
    }

    void Drop(const std::string& path) { files_.erase(path); }

private:
    static constexpr std::size_t MaxFiles = 4;
    // Forgets the least recently used files beyond the few kept.
    void Trim() {
        while (files_.size() > MaxFiles) {
            auto oldest = std::min_element(files_.begin(), files_.end(), [](auto& a, auto& b) {
                return a.second->LastUse < b.second->LastUse;
            });
            files_.erase(oldest);
        }
    }
    std::unordered_map<std::string, std::unique_ptr<ParsedProfile>> files_;
    std::uint64_t uses_ = 0;
};

ProfileFileStore::ProfileFileStore(std::function<std::string()> windowsDir)
    : windowsDir_(std::move(windowsDir)), cache_(std::make_unique<Cache>()) {}

ProfileFileStore::~ProfileFileStore() = default;
ProfileFileStore::ProfileFileStore(ProfileFileStore&&) noexcept = default;
ProfileFileStore& ProfileFileStore::operator=(ProfileFileStore&&) noexcept = default;

std::string ProfileFileStore::Resolve(const std::string& fileName) const {
    bool hasFolder =
        fileName.find('/') != std::string::npos || fileName.find(PathDelim) != std::string::npos;
#ifdef _WIN32
    hasFolder = hasFolder || fileName.find(':') != std::string::npos;
#endif
    if (hasFolder || !windowsDir_)
        return fileName;
    std::string folder = windowsDir_();
    if (folder.empty())
        return fileName;
    if (folder.back() != PathDelim && folder.back() != '/')
        folder += PathDelim;
    return folder + fileName;
}

std::string ProfileFileStore::GetPrivateProfileString(const std::string& section,
                                                      const std::string& key,
                                                      const std::string& defaultValue,
                                                      const std::string& fileName) {
    std::lock_guard lock(cache_->Mutex);
    ParsedProfile* profile = fileName.empty() ? nullptr : cache_->Get(Resolve(fileName));
    if (profile == nullptr)
        return Limit(defaultValue);
    std::size_t end = 0;
    std::size_t start = profile->Section(section, end);
    if (start == std::string::npos)
        return Limit(defaultValue);
    std::size_t line = profile->Key(start, end, key);
    if (line == std::string::npos)
        return Limit(defaultValue);
    ParsedLine parsed = ParseLine(profile->Text.Lines[line]);
    return Limit(parsed.HasValue ? Unquote(parsed.Value) : defaultValue);
}

std::vector<std::string> ProfileFileStore::GetPrivateProfileKeyNames(const std::string& section,
                                                                     const std::string& fileName) {
    std::vector<std::string> names;
    std::lock_guard lock(cache_->Mutex);
    ParsedProfile* parsedFile = fileName.empty() ? nullptr : cache_->Get(Resolve(fileName));
    if (parsedFile == nullptr)
        return names;
    const ProfileText& profile = parsedFile->Text;
    std::size_t end = 0;
    std::size_t start = parsedFile->Section(section, end);
    if (start == std::string::npos)
        return names;
    std::size_t used = 1; // the zero byte that ends the list
    for (std::size_t i = start + 1; i < end; ++i) {
        ParsedLine parsed = ParseLine(profile.Lines[i]);
        // As on Windows, only a line with "=" names a key in this list.
        if (parsed.Kind != LineKind::Key || !parsed.HasValue)
            continue;
        used += parsed.Name.size() + 1;
        if (used > KeyNamesBufferSize)
            break; // a name cut short would be a key that is not in the file
        names.push_back(parsed.Name);
    }
    return names;
}

bool ProfileFileStore::WritePrivateProfileString(const std::string& section, const std::string& key,
                                                 const std::string& value,
                                                 const std::string& fileName) {
    if (fileName.empty() || section.empty() || key.empty())
        return false;
    std::string path = Resolve(fileName);
    std::lock_guard lock(cache_->Mutex);
    cache_->Drop(path); // read again after this write, whether or not it succeeds
    ProfileText profile;
    // A file that is there but cannot be read must not be replaced by one holding only this key.
    if (Load(path, profile) == LoadResult::Unreadable)
        return false;

    // A line break in a value would start lines of its own, even sections, on the next read.
    std::string oneLine = value.substr(0, value.find_first_of("\r\n"));

    auto& lines = profile.Lines;
    std::size_t end = 0;
    std::size_t start = FindSection(lines, section, end);
    if (start == std::string::npos) {
        lines.push_back("[" + section + "]");
        lines.push_back(key + "=" + oneLine);
    } else {
        std::size_t found = std::string::npos;
        std::size_t lastFilled = start;
        for (std::size_t i = start + 1; i < end; ++i) {
            if (!Trim(lines[i]).empty())
                lastFilled = i;
            if (found != std::string::npos)
                continue;
            ParsedLine parsed = ParseLine(lines[i]);
            if (parsed.Kind == LineKind::Key && SameText(parsed.Name, key))
                found = i;
        }
        if (found != std::string::npos) {
            ParsedLine parsed = ParseLine(lines[found]);
            if (parsed.HasValue && parsed.Value == oneLine)
                return true; // already so: nothing to write
            lines[found] = parsed.Name + "=" + oneLine;
        } else {
            // After the section's last entry, so blank lines stay between the sections.
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastFilled + 1),
                         key + "=" + oneLine);
        }
    }
    return ReplaceFile(path, Join(profile));
}

} // namespace os
