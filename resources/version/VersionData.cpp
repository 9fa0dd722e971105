// The program file's version data as bytes in the executable, in the layout of the Windows
// version resource, so the About box reads the version from the running file on Linux too.
// The block sits in a section of its own and is found again by its header.
#include "Version.h"

#include "os/common/VersionBlock.h"

namespace {

constexpr os::VersionString Strings[] = {
    {"CompanyName", VISTREL_COMPANY_NAME},           {"FileDescription", VISTREL_FILE_DESCRIPTION},
    {"FileVersion", VISTREL_VERSION_TEXT},           {"InternalName", VISTREL_INTERNAL_NAME},
    {"LegalCopyright", VISTREL_LEGAL_COPYRIGHT},     {"LegalTradeMarks", VISTREL_LEGAL_TRADEMARKS},
    {"OriginalFilename", VISTREL_ORIGINAL_FILENAME}, {"ProductName", VISTREL_PRODUCT_NAME},
    {"ProductVersion", VISTREL_VERSION_TEXT},        {"Comments", VISTREL_COMMENTS},
};

constexpr os::VersionData Data{
    .FileVersion = {VISTREL_VERSION_PARTS},
    .ProductVersion = {VISTREL_VERSION_PARTS},
    .Language = VISTREL_VERSION_LANGUAGE,
    .CodePage = VISTREL_VERSION_CODEPAGE,
    .Strings = Strings,
};

// Kept although nothing refers to it: it is read from the file, not from memory. Its nodes
// are 32-bit aligned within the block, and the reader looks for it at even offsets only, so
// the block itself is aligned rather than left to wherever the linker puts a byte array.
[[gnu::used, gnu::section(".vistrel_version")]] alignas(4) constexpr auto VersionResource =
    os::MakeVersionBlock<os::VersionBlockSize(Data)>(Data);

} // namespace
