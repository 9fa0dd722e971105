// The version data of a program file, read once: the ten texts of its first translation's
// string table and the four parts of its file version.
#pragma once

#include "ui/Component.h"

#include <string>

namespace dialogs {

// Every property's text when the file has no version data.
inline constexpr const char* InfoNotAvailable = "<info not available>";

class TVersionInfo : public ui::TComponent {
public:
    // Reads the running program's own file.
    explicit TVersionInfo(ui::TComponent* owner);

    // Fills every property from the version data of the file.
    void GetInfo(const std::string& fileName);

    const std::string& CompanyName() const { return companyName_; }
    const std::string& FileDescription() const { return fileDescription_; }
    const std::string& FileVersion() const { return fileVersion_; }
    const std::string& Internalname() const { return internalName_; }
    const std::string& LegalCopyright() const { return legalCopyright_; }
    const std::string& LegalTradeMarks() const { return legalTradeMarks_; }
    const std::string& OriginalFilename() const { return originalFilename_; }
    const std::string& ProductName() const { return productName_; }
    const std::string& ProductVersion() const { return productVersion_; }
    const std::string& Comments() const { return comments_; }
    const std::string& MajorVersion() const { return majorVersion_; }
    const std::string& MinorVersion() const { return minorVersion_; }
    const std::string& Release() const { return release_; }
    const std::string& Build() const { return build_; }

private:
    void SetAll(const std::string& text);
    void SplitFileVersion();

    std::string companyName_;
    std::string fileDescription_;
    std::string fileVersion_;
    std::string internalName_;
    std::string legalCopyright_;
    std::string legalTradeMarks_;
    std::string originalFilename_;
    std::string productName_;
    std::string productVersion_;
    std::string comments_;
    std::string majorVersion_;
    std::string minorVersion_;
    std::string release_;
    std::string build_;
};

} // namespace dialogs
