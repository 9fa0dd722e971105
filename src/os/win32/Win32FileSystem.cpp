#include "os/win32/Win32FileSystem.h"

#include "os/win32/Win32Handle.h"

#include "os/win32/Win32Windows.h"

#include <algorithm>
#include <memory>

namespace os {

namespace {

struct FindCloser {
    void operator()(void* search) const { ::FindClose(search); }
};
using UniqueSearch = std::unique_ptr<void, FindCloser>;

[[noreturn]] void ThrowFileError(const char* what, const std::string& path, DWORD error) {
    throw EFileError(std::string(what) + " \"" + path + "\". " + Win32ErrorText(error));
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

} // namespace

bool Win32FileSystem::FileExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32FileSystem::DirectoryExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<FindEntry> Win32FileSystem::FindFiles(const std::string& folder,
                                                  const std::string& mask) {
    std::vector<FindEntry> entries;
    std::string pattern = folder;
    if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/' &&
        pattern.back() != ':')
        pattern += '\\';
    pattern += mask;
    WIN32_FIND_DATAA data{};
    ::HANDLE found = ::FindFirstFileA(pattern.c_str(), &data);
    if (found == Win32InvalidHandle)
        return entries;
    UniqueSearch search(found);
    do
        entries.push_back({data.cFileName, data.dwFileAttributes});
    while (::FindNextFileA(search.get(), &data));
    return entries;
}

bool Win32FileSystem::DeleteFile(const std::string& path) {
    return ::DeleteFileA(path.c_str()) != 0;
}

bool Win32FileSystem::ReadFile(const std::string& path, std::string& content) {
    content.clear();
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    Win32Handle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return false;
        ThrowFileError("Cannot open file", path, error);
    }
    char buffer[65536];
    for (;;) {
        ::DWORD n = 0;
        if (!::ReadFile(file.Get(), buffer, sizeof buffer, &n, nullptr)) {
            const DWORD error = ::GetLastError();
            content.clear();
            ThrowFileError("Cannot open file", path, error);
        }
        if (n == 0)
            break;
        content.append(buffer, n);
    }
    return true;
}

void Win32FileSystem::WriteFile(const std::string& path, const std::string& content) {
    const DWORD old = ::GetFileAttributesA(path.c_str());
    if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_DIRECTORY) != 0)
        ThrowFileError("Cannot create file", path, ERROR_ACCESS_DENIED);
    char temp[MAX_PATH + 1] = {};
    if (::GetTempFileNameA(FolderOf(path).c_str(), "vst", 0, temp) == 0)
        ThrowFileError("Cannot create file", path, ::GetLastError());
    DWORD error = ERROR_SUCCESS;
    {
        Win32Handle file(::CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid())
            error = ::GetLastError();
        std::size_t done = 0;
        while (error == ERROR_SUCCESS && done < content.size()) {
            const ::DWORD chunk =
                static_cast<::DWORD>(std::min<std::size_t>(content.size() - done, 1u << 30));
            ::DWORD written = 0;
            if (!::WriteFile(file.Get(), content.data() + done, chunk, &written, nullptr))
                error = ::GetLastError();
            done += written;
        }
        if (error == ERROR_SUCCESS && !::FlushFileBuffers(file.Get()))
            error = ::GetLastError();
    }
    // Replacing keeps the old file's attributes and security; a new file is just moved.
    if (error == ERROR_SUCCESS) {
        const bool replaced =
            old != INVALID_FILE_ATTRIBUTES
                ? ::ReplaceFileA(path.c_str(), temp, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                 nullptr, nullptr) != 0
                : ::MoveFileExA(temp, path.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        if (!replaced)
            error = ::GetLastError();
    }
    if (error != ERROR_SUCCESS) {
        ::DeleteFileA(temp);
        ThrowFileError("Cannot create file", path, error);
    }
}

} // namespace os
