#include "dialogs/VersionInfo.h"

#include "os/common/VersionBlock.h"
#include "os/Platform.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace dialogs {

TVersionInfo::TVersionInfo(ui::TComponent* owner) : ui::TComponent(owner) {
    GetInfo(os::Current().System().GetModuleFileName());
}

void TVersionInfo::SetAll(const std::string& text) {
    for (std::string* p :
         {&companyName_, &fileDescription_, &fileVersion_, &internalName_, &legalCopyright_,
          &legalTradeMarks_, &originalFilename_, &productName_, &productVersion_, &comments_,
          &majorVersion_, &minorVersion_, &release_, &build_})
        *p = text;
}

void TVersionInfo::GetInfo(const std::string& fileName) {
    SetAll(InfoNotAvailable);
    os::SystemInfo& system = os::Current().System();
    os::DWORD size = system.GetFileVersionInfoSize(fileName);
    if (size == 0)
        return;
    std::vector<std::uint8_t> buffer(size, 0);
    if (!system.GetFileVersionInfo(fileName, size, buffer.data()))
        return; // the buffer stays zeroed, so every look-up below finds nothing

    const void* value = nullptr;
    os::UINT length = 0;
    std::uint16_t language = 0;
    std::uint16_t codePage = 0;
    if (os::VerQueryValue(buffer.data(), size, "\\VarFileInfo\\Translation", value, length) &&
        length >= 4) {
        const auto* t = static_cast<const std::uint8_t*>(value);
        language = static_cast<std::uint16_t>(t[0] | (t[1] << 8));
        codePage = static_cast<std::uint16_t>(t[2] | (t[3] << 8));
    }
    char table[9];
    std::snprintf(table, sizeof table, "%04X%04X", static_cast<unsigned>(language),
                  static_cast<unsigned>(codePage));
    const std::string prefix = std::string("\\StringFileInfo\\") + table + "\\";

    const std::pair<const char*, std::string*> keys[] = {
        {"CompanyName", &companyName_},           {"FileDescription", &fileDescription_},
        {"FileVersion", &fileVersion_},           {"InternalName", &internalName_},
        {"LegalCopyright", &legalCopyright_},     {"LegalTradeMarks", &legalTradeMarks_},
        {"OriginalFilename", &originalFilename_}, {"ProductName", &productName_},
        {"ProductVersion", &productVersion_},     {"Comments", &comments_},
    };
    for (const auto& [key, property] : keys) {
        std::string text;
        if (os::VerQueryString(buffer.data(), size, prefix + key, text))
            *property = text;
    }
    SplitFileVersion();
}

void TVersionInfo::SplitFileVersion() {
    majorVersion_ = minorVersion_ = release_ = build_ = InfoNotAvailable;
    if (fileVersion_.empty())
        return;
    char separator = 0;
    if (fileVersion_.find('.') != std::string::npos)
        separator = '.';
    else if (fileVersion_.find(',') != std::string::npos)
        separator = ',';
    else
        return;

    std::size_t at = fileVersion_.find(separator);
    majorVersion_ = fileVersion_.substr(0, at);
    std::string rest = fileVersion_.substr(at + 1);
    // The next part ends at the next separator; without one it is empty and rest stays.
    auto takePart = [&rest, separator](std::string& part) {
        std::size_t pos = rest.find(separator);
        if (pos == std::string::npos) {
            part.clear();
        } else {
            part = rest.substr(0, pos);
            rest = rest.substr(pos + 1);
        }
    };
    takePart(minorVersion_);
    takePart(release_);
    build_ = rest;
}

} // namespace dialogs
