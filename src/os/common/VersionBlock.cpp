#include "os/common/VersionBlock.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

namespace os {

namespace {

std::uint16_t Read16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Read32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(Read16(p)) |
           (static_cast<std::uint32_t>(Read16(p + 2)) << 16);
}

std::size_t Align4(std::size_t n) {
    return (n + 3) & ~static_cast<std::size_t>(3);
}

// One node of the tree, its parts as offsets into the block.
struct Node {
    std::size_t Start = 0;
    std::size_t End = 0;      // Start + its length
    std::size_t Key = 0;      // the key's first unit
    std::size_t KeyUnits = 0; // without the zero
    std::size_t Value = 0;
    std::size_t ValueBytes = 0; // clipped to the node
    std::uint16_t ValueLength = 0;
    std::uint16_t Type = 0;
    std::size_t Children = 0;
};

// Reads the node at `at`, which must lie wholly before `limit`.
bool ReadNode(const std::uint8_t* b, std::size_t at, std::size_t limit, Node& node) {
    if (at + 6 > limit)
        return false;
    std::size_t length = Read16(b + at);
    if (length < 6 || at + length > limit)
        return false;
    node.Start = at;
    node.End = at + length;
    node.ValueLength = Read16(b + at + 2);
    node.Type = Read16(b + at + 4);
    node.Key = at + 6;
    std::size_t p = node.Key;
    while (p + 2 <= node.End && Read16(b + p) != 0)
        p += 2;
    if (p + 2 > node.End)
        return false; // a key without its zero
    node.KeyUnits = (p - node.Key) / 2;
    node.Value = Align4(p + 2);
    std::size_t valueBytes = node.Type == 1 ? node.ValueLength * std::size_t{2} : node.ValueLength;
    if (node.Value > node.End)
        node.Value = node.End;
    node.ValueBytes = node.Value + valueBytes > node.End ? node.End - node.Value : valueBytes;
    node.Children = Align4(node.Value + valueBytes);
    return true;
}

bool KeyIs(const std::uint8_t* b, const Node& node, const std::string& name) {
    if (node.KeyUnits != name.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        std::uint16_t unit = Read16(b + node.Key + 2 * i);
        if (unit > 0x7F || std::tolower(unit) != std::tolower(static_cast<unsigned char>(name[i])))
            return false;
    }
    return true;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// C streams rather than iostreams: on Windows, where the executable links the C++ library
// statically, iostreams would add their locale machinery to it.
bool ReadWholeFile(const std::string& fileName, std::string& bytes) {
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> in(std::fopen(fileName.c_str(), "rb"));
    if (!in)
        return false;
    bytes.clear();
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0)
        bytes.append(buffer, n);
    return std::ferror(in.get()) == 0;
}

} // namespace

std::vector<std::uint8_t> BuildVersionBlock(const VersionData& data) {
    detail::BlockWriter counter(nullptr);
    detail::WriteVersionBlock(data, counter);
    std::vector<std::uint8_t> block(counter.Pos());
    detail::BlockWriter writer(block.data());
    detail::WriteVersionBlock(data, writer);
    return block;
}

bool FindVersionBlock(std::string_view bytes, std::size_t& offset, std::size_t& size) {
    // The root's key in UTF-16, built here so that this code itself never holds the pattern.
    std::string pattern;
    for (char c : std::string_view("VS_VERSION_INFO")) {
        pattern += c;
        pattern += '\0';
    }
    pattern.append(2, '\0');
    const auto* b = reinterpret_cast<const std::uint8_t*>(bytes.data());
    for (std::size_t at = bytes.find(pattern, 6); at != std::string_view::npos;
         at = bytes.find(pattern, at + 1)) {
        std::size_t start = at - 6;
        if (start % 2 != 0)
            continue;
        Node root;
        if (!ReadNode(b, start, bytes.size(), root))
            continue;
        if (root.Type != 0 || root.ValueLength != 52 || root.ValueBytes != 52 ||
            Read32(b + root.Value) != VS_FFI_SIGNATURE)
            continue;
        offset = start;
        size = root.End - root.Start;
        return true;
    }
    return false;
}

DWORD ReadFileVersionInfoSize(const std::string& fileName) {
    std::string bytes;
    std::size_t offset = 0;
    std::size_t size = 0;
    if (!ReadWholeFile(fileName, bytes) || !FindVersionBlock(bytes, offset, size))
        return 0;
    return static_cast<DWORD>(size);
}

bool ReadFileVersionInfo(const std::string& fileName, DWORD size, void* data) {
    std::string bytes;
    std::size_t offset = 0;
    std::size_t found = 0;
    if (data == nullptr || !ReadWholeFile(fileName, bytes) ||
        !FindVersionBlock(bytes, offset, found))
        return false;
    std::memcpy(data, bytes.data() + offset, found < size ? found : size);
    return true;
}

bool VerQueryValue(const void* block, std::size_t size, const std::string& subBlock,
                   const void*& value, UINT& length) {
    const auto* b = static_cast<const std::uint8_t*>(block);
    Node node;
    if (b == nullptr || !ReadNode(b, 0, size, node))
        return false;
    std::size_t pos = 0;
    while (pos < subBlock.size()) {
        if (subBlock[pos] == '\\') {
            ++pos;
            continue;
        }
        std::size_t next = subBlock.find('\\', pos);
        if (next == std::string::npos)
            next = subBlock.size();
        std::string name = subBlock.substr(pos, next - pos);
        pos = next;
        bool found = false;
        Node child;
        for (std::size_t at = node.Children; at + 6 <= node.End; at = Align4(child.End)) {
            if (!ReadNode(b, at, node.End, child))
                return false;
            if (KeyIs(b, child, name)) {
                found = true;
                break;
            }
        }
        if (!found)
            return false;
        node = child;
    }
    value = b + node.Value;
    length = node.Type == 1 ? static_cast<UINT>(node.ValueBytes / 2)
                            : static_cast<UINT>(node.ValueBytes);
    return true;
}

bool VerQueryString(const void* block, std::size_t size, const std::string& subBlock,
                    std::string& text) {
    const void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValue(block, size, subBlock, value, length))
        return false;
    const auto* p = static_cast<const std::uint8_t*>(value);
    text.clear();
    for (UINT i = 0; i < length; ++i) {
        std::uint32_t unit = Read16(p + 2 * i);
        if (unit == 0)
            break;
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < length) {
            std::uint32_t low = Read16(p + 2 * (i + 1));
            if (low >= 0xDC00 && low < 0xE000) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        AppendUtf8(text, unit);
    }
    return true;
}

} // namespace os
