// The version data of a program file in the layout of the Windows VS_VERSIONINFO block: a
// tree of nodes (length, value length, type, UTF-16 key, value, children), 32-bit aligned,
// holding the fixed file information, the string tables and the translation table.
//
// Windows keeps the block as a resource of the executable. Elsewhere the same bytes are
// compiled into the executable as data (MakeVersionBlock is constexpr for that) and found
// again in the file by the block's own header (FindVersionBlock). VerQueryValue reads a
// block on every system.
#pragma once

#include "os/Types.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace os {

inline constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;
inline constexpr DWORD VS_FFI_STRUCVERSION = 0x00010000;
inline constexpr DWORD VOS_NT_WINDOWS32 = 0x00040004;
inline constexpr DWORD VFT_APP = 0x00000001;

struct VersionString {
    std::string_view Key;
    std::string_view Value; // UTF-8
};

// What a block says. Versions are four 16-bit parts, most significant first.
struct VersionData {
    std::array<std::uint16_t, 4> FileVersion{};
    std::array<std::uint16_t, 4> ProductVersion{};
    DWORD FileFlagsMask = 0x3F;
    DWORD FileFlags = 0;
    DWORD FileOS = VOS_NT_WINDOWS32;
    DWORD FileType = VFT_APP;
    DWORD FileSubtype = 0;
    std::uint16_t Language = 0x0409; // one translation: its string table and its entry
    std::uint16_t CodePage = 1252;
    std::span<const VersionString> Strings;
};

namespace detail {

// Writes into out when it is given, else only counts; positions are byte offsets.
class BlockWriter {
public:
    constexpr explicit BlockWriter(std::uint8_t* out) : out_(out) {}
    constexpr std::size_t Pos() const { return pos_; }
    constexpr void Byte(std::uint8_t b) {
        if (out_ != nullptr)
            out_[pos_] = b;
        ++pos_;
    }
    constexpr void Word(std::uint16_t w) {
        Byte(static_cast<std::uint8_t>(w & 0xFF));
        Byte(static_cast<std::uint8_t>(w >> 8));
    }
    constexpr void Dword(std::uint32_t d) {
        Word(static_cast<std::uint16_t>(d & 0xFFFF));
        Word(static_cast<std::uint16_t>(d >> 16));
    }
    constexpr void WordAt(std::size_t at, std::uint16_t w) {
        if (out_ != nullptr) {
            out_[at] = static_cast<std::uint8_t>(w & 0xFF);
            out_[at + 1] = static_cast<std::uint8_t>(w >> 8);
        }
    }
    constexpr void Align() {
        while (pos_ % 4 != 0)
            Byte(0);
    }
    // UTF-8 text as UTF-16 followed by a zero; returns the number of 16-bit units written.
    constexpr std::size_t Text(std::string_view s) {
        std::size_t units = 0;
        for (std::size_t i = 0; i < s.size();) {
            auto c = static_cast<unsigned char>(s[i]);
            std::uint32_t cp = c;
            std::size_t n = 1;
            if (c >= 0xF0 && i + 3 < s.size()) {
                cp = ((c & 0x07u) << 18) | ((static_cast<unsigned char>(s[i + 1]) & 0x3Fu) << 12) |
                     ((static_cast<unsigned char>(s[i + 2]) & 0x3Fu) << 6) |
                     (static_cast<unsigned char>(s[i + 3]) & 0x3Fu);
                n = 4;
            } else if (c >= 0xE0 && i + 2 < s.size()) {
                cp = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(s[i + 1]) & 0x3Fu) << 6) |
                     (static_cast<unsigned char>(s[i + 2]) & 0x3Fu);
                n = 3;
            } else if (c >= 0xC0 && i + 1 < s.size()) {
                cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3Fu);
                n = 2;
            }
            i += n;
            if (cp >= 0x10000) {
                cp -= 0x10000;
                Word(static_cast<std::uint16_t>(0xD800 + (cp >> 10)));
                Word(static_cast<std::uint16_t>(0xDC00 + (cp & 0x3FF)));
                units += 2;
            } else {
                Word(static_cast<std::uint16_t>(cp));
                ++units;
            }
        }
        Word(0);
        return units + 1;
    }
    // Starts a node: its header with the length left open, then its key, aligned.
    constexpr std::size_t Begin(std::uint16_t valueLength, std::uint16_t type,
                                std::string_view key) {
        std::size_t start = pos_;
        Word(0);
        Word(valueLength);
        Word(type);
        Text(key);
        Align();
        return start;
    }
    // Closes a node: its length runs to the end of its last byte, without the padding after.
    constexpr void End(std::size_t start) {
        WordAt(start, static_cast<std::uint16_t>(pos_ - start));
    }

private:
    std::uint8_t* out_;
    std::size_t pos_ = 0;
};

constexpr std::size_t TextUnits(std::string_view s) {
    BlockWriter counter(nullptr);
    return counter.Text(s);
}

constexpr void WriteVersionBlock(const VersionData& data, BlockWriter& w) {
    std::size_t root = w.Begin(52, 0, "VS_VERSION_INFO");
    w.Dword(VS_FFI_SIGNATURE);
    w.Dword(VS_FFI_STRUCVERSION);
    auto high = [](const std::array<std::uint16_t, 4>& v) {
        return (static_cast<std::uint32_t>(v[0]) << 16) | v[1];
    };
    auto low = [](const std::array<std::uint16_t, 4>& v) {
        return (static_cast<std::uint32_t>(v[2]) << 16) | v[3];
    };
    w.Dword(high(data.FileVersion));
    w.Dword(low(data.FileVersion));
    w.Dword(high(data.ProductVersion));
    w.Dword(low(data.ProductVersion));
    w.Dword(data.FileFlagsMask);
    w.Dword(data.FileFlags);
    w.Dword(data.FileOS);
    w.Dword(data.FileType);
    w.Dword(data.FileSubtype);
    w.Dword(0); // no file date
    w.Dword(0);
    w.Align();

    std::size_t stringInfo = w.Begin(0, 1, "StringFileInfo");
    constexpr char hex[] = "0123456789ABCDEF";
    char tableKey[8] = {};
    std::uint32_t id = (static_cast<std::uint32_t>(data.Language) << 16) | data.CodePage;
    for (int i = 0; i < 8; ++i)
        tableKey[i] = hex[(id >> (28 - 4 * i)) & 0xF];
    std::size_t table = w.Begin(0, 1, std::string_view(tableKey, 8));
    for (const VersionString& s : data.Strings) {
        w.Align();
        std::size_t entry = w.Begin(static_cast<std::uint16_t>(TextUnits(s.Value)), 1, s.Key);
        w.Text(s.Value);
        w.End(entry);
    }
    w.End(table);
    w.End(stringInfo);

    w.Align();
    std::size_t varInfo = w.Begin(0, 1, "VarFileInfo");
    std::size_t translation = w.Begin(4, 0, "Translation");
    w.Word(data.Language);
    w.Word(data.CodePage);
    w.End(translation);
    w.End(varInfo);
    w.End(root);
}

} // namespace detail

constexpr std::size_t VersionBlockSize(const VersionData& data) {
    detail::BlockWriter counter(nullptr);
    detail::WriteVersionBlock(data, counter);
    return counter.Pos();
}

// The block as bytes; N must be VersionBlockSize(data). Usable at compile time.
template <std::size_t N>
constexpr std::array<std::uint8_t, N> MakeVersionBlock(const VersionData& data) {
    std::array<std::uint8_t, N> block{};
    detail::BlockWriter writer(block.data());
    detail::WriteVersionBlock(data, writer);
    return block;
}

std::vector<std::uint8_t> BuildVersionBlock(const VersionData& data);

// Finds the first well-formed block in the bytes of a file (an executable with the block
// compiled in, or with it as a resource); false when there is none. size is the block's
// own length.
bool FindVersionBlock(std::string_view bytes, std::size_t& offset, std::size_t& size);

// The default realisation of GetFileVersionInfoSize / GetFileVersionInfo for files that carry
// the block as data: 0 / false when the file cannot be read or holds no block.
DWORD ReadFileVersionInfoSize(const std::string& fileName);
bool ReadFileVersionInfo(const std::string& fileName, DWORD size, void* data);

// Looks a value up in a block of `size` bytes by its path, as the Windows call of that name
// does: "\" for the fixed file information, "\VarFileInfo\Translation", or
// "\StringFileInfo\040904E4\CompanyName"; keys compare without regard to letter case. value
// points into the block; length counts bytes, or 16-bit units for text values. False when
// the path names no node or the block is damaged.
bool VerQueryValue(const void* block, std::size_t size, const std::string& subBlock,
                   const void*& value, UINT& length);
// A text value as UTF-8, read up to its terminating zero; false when the path names none.
bool VerQueryString(const void* block, std::size_t size, const std::string& subBlock,
                    std::string& text);

} // namespace os
