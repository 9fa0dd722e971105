#include "os/linux/LinuxAutoRun.h"

#include "os/common/CommandLine.h"
#include "os/linux/LinuxFd.h"
#include "os/linux/LinuxPaths.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace os {

namespace {

std::atomic<unsigned> tempCounter{0};

// Characters that make an Exec argument need quotes.
constexpr std::string_view ExecReserved = " \t\n\"'\\><~|&;$*?#()`";

std::string QuoteExecArgument(const std::string& argument, bool always) {
    std::string text;
    bool needsQuotes = always || argument.empty();
    for (char c : argument) {
        if (ExecReserved.find(c) != std::string_view::npos)
            needsQuotes = true;
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            text += '\\';
        text += c == '%' ? std::string("%%") : std::string(1, c);
    }
    return needsQuotes ? '"' + text + '"' : text;
}

// The escapes every string value of a desktop entry has, applied over the Exec quoting.
std::string EscapeValue(const std::string& text) {
    std::string value;
    for (char c : text) {
        switch (c) {
        case '\\':
            value += "\\\\";
            break;
        case '\n':
            value += "\\n";
            break;
        case '\t':
            value += "\\t";
            break;
        case '\r':
            value += "\\r";
            break;
        default:
            value += c;
        }
    }
    return value;
}

std::string UnescapeValue(const std::string& value) {
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        switch (const char c = value[++i]) {
        case 's':
            text += ' ';
            break;
        case 'n':
            text += '\n';
            break;
        case 't':
            text += '\t';
            break;
        case 'r':
            text += '\r';
            break;
        case '\\':
            text += '\\';
            break;
        default:
            text += '\\';
            text += c;
        }
    }
    return text;
}

// A Windows command-line word: bare when it can be, else quoted with its quotes escaped.
std::string QuoteWindowsArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos)
        return argument;
    std::string text = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        text.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        text += c;
    }
    text.append(backslashes * 2, '\\');
    return text + '"';
}

bool WriteAll(int fd, const std::string& content) {
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadAll(const std::string& path, std::string& content) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid())
        return false;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n == 0)
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        content.append(buffer, static_cast<std::size_t>(n));
    }
}

} // namespace

std::string LinuxAutoRun::AutostartFolder() {
    const std::string config = XdgConfigHome();
    return config.empty() ? std::string() : config + "/autostart";
}

std::string LinuxAutoRun::ExecOfCommandLine(const std::string& commandLine) {
    std::string exec;
    const std::vector<std::string> words = SplitCommandLine(commandLine);
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0)
            exec += ' ';
        // The program is always quoted, so a quoted path reads back exactly as it was given.
        exec += QuoteExecArgument(words[i], i == 0);
    }
    return EscapeValue(exec);
}

std::string LinuxAutoRun::CommandLineOfExec(const std::string& exec) {
    const std::string text = UnescapeValue(exec);
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        if (i >= text.size())
            break;
        std::string word;
        bool quoted = false;
        for (; i < text.size(); ++i) {
            const char c = text[i];
            if (!quoted && (c == ' ' || c == '\t'))
                break;
            if (c == '"') {
                quoted = !quoted;
            } else if (quoted && c == '\\' && i + 1 < text.size()) {
                word += text[++i];
            } else if (c == '%' && i + 1 < text.size() && text[i + 1] == '%') {
                word += '%';
                ++i;
            } else {
                word += c;
            }
        }
        words.push_back(std::move(word));
    }
    std::string commandLine;
    for (std::size_t w = 0; w < words.size(); ++w) {
        if (w == 0)
            commandLine = '"' + words[0] + '"';
        else
            commandLine += ' ' + QuoteWindowsArgument(words[w]);
    }
    return commandLine;
}

std::string LinuxAutoRun::EntryPath(const std::string& name) const {
    const std::string folder = AutostartFolder();
    if (folder.empty() || name.empty() || name == "." || name == ".." ||
        name.find('/') != std::string::npos)
        return {};
    return folder + "/" + name + ".desktop";
}

bool LinuxAutoRun::OpenRunKey() {
    const std::string folder = AutostartFolder();
    return !folder.empty() && MakeFolders(folder);
}

bool LinuxAutoRun::SetRunValue(const std::string& name, const std::string& data) {
    const std::string path = EntryPath(name);
    if (path.empty())
        return false;
    std::string shownName = name;
    for (char& c : shownName)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    const std::string content = "[Desktop Entry]\n"
                                "Type=Application\n"
                                "Name=" +
                                shownName +
                                "\n"
                                "Exec=" +
                                ExecOfCommandLine(data) +
                                "\n"
                                "Terminal=false\n"
                                "X-GNOME-Autostart-enabled=true\n";
    const std::string temp = AutostartFolder() + "/." + name + "." + std::to_string(::getpid()) +
                             "." + std::to_string(++tempCounter) + ".tmp";
    UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!fd.Valid())
        return false;
    bool written = WriteAll(fd.Get(), content) && ::fsync(fd.Get()) == 0;
    written = ::close(fd.Release()) == 0 && written;
    if (written && ::rename(temp.c_str(), path.c_str()) == 0)
        return true;
    ::unlink(temp.c_str());
    return false;
}

bool LinuxAutoRun::DeleteRunValue(const std::string& name) {
    const std::string path = EntryPath(name);
    if (path.empty())
        return false;
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool LinuxAutoRun::QueryRunValue(const std::string& name, std::string& data) {
    const std::string path = EntryPath(name);
    std::string content;
    if (path.empty() || !ReadAll(path, content))
        return false;
    bool inEntry = false;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        std::string line = content.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inEntry || equals == std::string::npos)
            continue;
        std::string key = line.substr(0, equals);
        while (!key.empty() && key.back() == ' ')
            key.pop_back();
        if (key != "Exec")
            continue;
        std::size_t valueStart = equals + 1;
        while (valueStart < line.size() && line[valueStart] == ' ')
            ++valueStart;
        data = CommandLineOfExec(line.substr(valueStart));
        return true;
    }
    return false;
}

// Every call opens and releases the entry itself; there is nothing held between calls.
void LinuxAutoRun::CloseRunKey() {}

} // namespace os
