#include "dialogs/VersionInfo.h"
#include "FakePlatform.h"
#include "os/common/VersionBlock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// The block a resource compiler (windres) made from a script with FILEVERSION 3,3,3,3,
// PRODUCTVERSION 3,3,3,3, translation 0x409/1252 and the strings CompanyName "Vistrel",
// FileVersion "3.3.3.3" and Comments "": the reference for the layout.
const std::uint8_t CompiledBlock[] = {
    0x58, 0x01, 0x34, 0x00, 0x00, 0x00, 0x56, 0x00, 0x53, 0x00, 0x5F, 0x00, 0x56, 0x00, 0x45, 0x00,
    0x52, 0x00, 0x53, 0x00, 0x49, 0x00, 0x4F, 0x00, 0x4E, 0x00, 0x5F, 0x00, 0x49, 0x00, 0x4E, 0x00,
    0x46, 0x00, 0x4F, 0x00, 0x00, 0x00, 0x00, 0x00, 0xBD, 0x04, 0xEF, 0xFE, 0x00, 0x00, 0x01, 0x00,
    0x03, 0x00, 0x03, 0x00, 0x03, 0x00, 0x03, 0x00, 0x03, 0x00, 0x03, 0x00, 0x03, 0x00, 0x03, 0x00,
    0x3F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xB6, 0x00, 0x00, 0x00,
    0x01, 0x00, 0x53, 0x00, 0x74, 0x00, 0x72, 0x00, 0x69, 0x00, 0x6E, 0x00, 0x67, 0x00, 0x46, 0x00,
    0x69, 0x00, 0x6C, 0x00, 0x65, 0x00, 0x49, 0x00, 0x6E, 0x00, 0x66, 0x00, 0x6F, 0x00, 0x00, 0x00,
    0x92, 0x00, 0x00, 0x00, 0x01, 0x00, 0x30, 0x00, 0x34, 0x00, 0x30, 0x00, 0x39, 0x00, 0x30, 0x00,
    0x34, 0x00, 0x45, 0x00, 0x34, 0x00, 0x00, 0x00, 0x30, 0x00, 0x08, 0x00, 0x01, 0x00, 0x43, 0x00,
    0x6F, 0x00, 0x6D, 0x00, 0x70, 0x00, 0x61, 0x00, 0x6E, 0x00, 0x79, 0x00, 0x4E, 0x00, 0x61, 0x00,
    0x6D, 0x00, 0x65, 0x00, 0x00, 0x00, 0x00, 0x00, 0x56, 0x00, 0x69, 0x00, 0x73, 0x00, 0x74, 0x00,
    0x72, 0x00, 0x65, 0x00, 0x6C, 0x00, 0x00, 0x00, 0x30, 0x00, 0x08, 0x00, 0x01, 0x00, 0x46, 0x00,
    0x69, 0x00, 0x6C, 0x00, 0x65, 0x00, 0x56, 0x00, 0x65, 0x00, 0x72, 0x00, 0x73, 0x00, 0x69, 0x00,
    0x6F, 0x00, 0x6E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x33, 0x00, 0x2E, 0x00, 0x33, 0x00, 0x2E, 0x00,
    0x33, 0x00, 0x2E, 0x00, 0x33, 0x00, 0x00, 0x00, 0x1A, 0x00, 0x01, 0x00, 0x01, 0x00, 0x43, 0x00,
    0x6F, 0x00, 0x6D, 0x00, 0x6D, 0x00, 0x65, 0x00, 0x6E, 0x00, 0x74, 0x00, 0x73, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x44, 0x00, 0x00, 0x00, 0x01, 0x00, 0x56, 0x00, 0x61, 0x00, 0x72, 0x00,
    0x46, 0x00, 0x69, 0x00, 0x6C, 0x00, 0x65, 0x00, 0x49, 0x00, 0x6E, 0x00, 0x66, 0x00, 0x6F, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x24, 0x00, 0x04, 0x00, 0x00, 0x00, 0x54, 0x00, 0x72, 0x00, 0x61, 0x00,
    0x6E, 0x00, 0x73, 0x00, 0x6C, 0x00, 0x61, 0x00, 0x74, 0x00, 0x69, 0x00, 0x6F, 0x00, 0x6E, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x09, 0x04, 0xE4, 0x04,
};

std::string Bytes(const std::vector<std::uint8_t>& block) {
    return std::string(block.begin(), block.end());
}

std::vector<std::uint8_t> Block(const std::string& fileVersion, std::uint16_t language = 0x0409,
                                std::uint16_t codePage = 1252) {
    const os::VersionString strings[] = {
        {"CompanyName", "Maker"},        {"FileDescription", "Reminder"},
        {"FileVersion", fileVersion},    {"InternalName", "Internal"},
        {"LegalCopyright", "(C) Maker"}, {"LegalTradeMarks", "TM"},
        {"OriginalFilename", "Orig"},    {"ProductName", "Product"},
        {"ProductVersion", "9.8.7.6"},   {"Comments", "Remarks"},
    };
    os::VersionData data;
    data.FileVersion = {9, 8, 7, 6};
    data.Language = language;
    data.CodePage = codePage;
    data.Strings = strings;
    return os::BuildVersionBlock(data);
}

TEST(VersionBlockTest, BuildsTheLayoutOfTheResourceCompiler) {
    const os::VersionString strings[] = {
        {"CompanyName", "Vistrel"}, {"FileVersion", "3.3.3.3"}, {"Comments", ""}};
    os::VersionData data;
    data.FileVersion = {3, 3, 3, 3};
    data.ProductVersion = {3, 3, 3, 3};
    data.Strings = strings;
    std::vector<std::uint8_t> expected(std::begin(CompiledBlock), std::end(CompiledBlock));
    EXPECT_EQ(os::BuildVersionBlock(data), expected);
    EXPECT_EQ(os::VersionBlockSize(data), sizeof CompiledBlock);
}

TEST(VersionBlockTest, QueriesTheCompiledBlockByPathIgnoringCase) {
    std::string text;
    ASSERT_TRUE(os::VerQueryString(CompiledBlock, sizeof CompiledBlock,
                                   "\\StringFileInfo\\040904E4\\FileVersion", text));
    EXPECT_EQ(text, "3.3.3.3");
    ASSERT_TRUE(os::VerQueryString(CompiledBlock, sizeof CompiledBlock,
                                   "\\stringfileinfo\\040904e4\\COMPANYNAME", text));
    EXPECT_EQ(text, "Vistrel");
    ASSERT_TRUE(os::VerQueryString(CompiledBlock, sizeof CompiledBlock,
                                   "\\StringFileInfo\\040904E4\\Comments", text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(os::VerQueryString(CompiledBlock, sizeof CompiledBlock,
                                    "\\StringFileInfo\\040904E4\\ProductName", text));
    EXPECT_FALSE(os::VerQueryString(CompiledBlock, sizeof CompiledBlock,
                                    "\\StringFileInfo\\040704E4\\FileVersion", text));

    const void* value = nullptr;
    os::UINT length = 0;
    ASSERT_TRUE(os::VerQueryValue(CompiledBlock, sizeof CompiledBlock, "\\VarFileInfo\\Translation",
                                  value, length));
    ASSERT_EQ(length, 4u);
    const auto* t = static_cast<const std::uint8_t*>(value);
    EXPECT_EQ(t[0] | (t[1] << 8), 0x0409);
    EXPECT_EQ(t[2] | (t[3] << 8), 1252);

    ASSERT_TRUE(os::VerQueryValue(CompiledBlock, sizeof CompiledBlock, "\\", value, length));
    ASSERT_EQ(length, 52u);
    const auto* f = static_cast<const std::uint8_t*>(value);
    EXPECT_EQ(f[0] | (f[1] << 8) | (f[2] << 16) | (static_cast<std::uint32_t>(f[3]) << 24),
              os::VS_FFI_SIGNATURE);
}

TEST(VersionBlockTest, DamagedBlocksAreRefusedNotOverrun) {
    std::vector<std::uint8_t> block(std::begin(CompiledBlock), std::end(CompiledBlock));
    std::string text;
    // Cut short: the root claims more bytes than there are.
    EXPECT_FALSE(os::VerQueryString(block.data(), block.size() - 8,
                                    "\\StringFileInfo\\040904E4\\Comments", text));
    // A child whose length runs past its parent.
    block[0x5C] = 0xFF; // StringFileInfo
    block[0x5D] = 0x7F;
    EXPECT_FALSE(os::VerQueryString(block.data(), block.size(),
                                    "\\StringFileInfo\\040904E4\\FileVersion", text));
    EXPECT_FALSE(os::VerQueryString(nullptr, 0, "\\", text));
}

TEST(VersionBlockTest, FindsTheBlockAmongOtherBytes) {
    // Bytes that look like the start of a block but are not one come first.
    std::string file = "junk";
    std::string fakeKey;
    for (char c : std::string("VS_VERSION_INFO")) {
        fakeKey += c;
        fakeKey += '\0';
    }
    file += std::string("\x10\x00\x34\x00\x00\x00", 6) + fakeKey + std::string(2, '\0') + "xx";
    const std::size_t at = (file.size() + 1) & ~std::size_t{1};
    file.resize(at, '\0');
    std::string block(std::begin(CompiledBlock), std::end(CompiledBlock));
    file += block + "trailing bytes";
    std::size_t offset = 0;
    std::size_t size = 0;
    ASSERT_TRUE(os::FindVersionBlock(file, offset, size));
    EXPECT_EQ(offset, at);
    EXPECT_EQ(size, block.size());
    EXPECT_FALSE(os::FindVersionBlock("no version data here", offset, size));
}

class VersionInfoTest : public ::testing::Test {
protected:
    // A program file with the block among other bytes, as the build embeds it.
    std::string ProgramWith(const std::vector<std::uint8_t>& block) {
        return platform.WriteFile("Program/Tool" + std::to_string(++files_),
                                  std::string(64, '\x7F') + Bytes(block) + std::string(32, 'z'));
    }

    fake::FakePlatform platform;
    ui::TComponent owner{nullptr};

private:
    int files_ = 0;
};

TEST_F(VersionInfoTest, ReadsTheTenTextsOfTheFirstTranslation) {
    platform.System_.ExePath = ProgramWith(Block("3.3.3.3"));
    dialogs::TVersionInfo info(&owner); // reads the running program's file
    EXPECT_EQ(info.CompanyName(), "Maker");
    EXPECT_EQ(info.FileDescription(), "Reminder");
    EXPECT_EQ(info.FileVersion(), "3.3.3.3");
    EXPECT_EQ(info.Internalname(), "Internal");
    EXPECT_EQ(info.LegalCopyright(), "(C) Maker");
    EXPECT_EQ(info.LegalTradeMarks(), "TM");
    EXPECT_EQ(info.OriginalFilename(), "Orig");
    EXPECT_EQ(info.ProductName(), "Product");
    EXPECT_EQ(info.ProductVersion(), "9.8.7.6");
    EXPECT_EQ(info.Comments(), "Remarks");
    EXPECT_EQ(info.MajorVersion(), "3");
    EXPECT_EQ(info.MinorVersion(), "3");
    EXPECT_EQ(info.Release(), "3");
    EXPECT_EQ(info.Build(), "3");
}

TEST_F(VersionInfoTest, TheStringTableIsNamedByTheTranslationTable) {
    dialogs::TVersionInfo info(&owner);
    info.GetInfo(ProgramWith(Block("5.6", 0x0407, 1200)));
    EXPECT_EQ(info.CompanyName(), "Maker");
    EXPECT_EQ(info.FileVersion(), "5.6");
}

TEST_F(VersionInfoTest, FileVersionSplitsAtItsSeparators) {
    struct Case {
        std::string Version, Major, Minor, Release, Build;
    };
    const std::string na = dialogs::InfoNotAvailable;
    const Case cases[] = {
        {"3.3.3.3", "3", "3", "3", "3"},
        {"1.2", "1", "", "", "2"},
        {"1.2.3.4.5", "1", "2", "3", "4.5"},
        {"3,3,3,3", "3", "3", "3", "3"},
        {"3, 3, 3, 3", "3", " 3", " 3", " 3"},
        {"1.2,3.4", "1", "2,3", "", "4"}, // points win over commas
        {"7", na, na, na, na},
        {"", na, na, na, na},
    };
    dialogs::TVersionInfo info(&owner);
    for (const Case& c : cases) {
        info.GetInfo(ProgramWith(Block(c.Version)));
        SCOPED_TRACE("FileVersion \"" + c.Version + "\"");
        EXPECT_EQ(info.FileVersion(), c.Version);
        EXPECT_EQ(info.MajorVersion(), c.Major);
        EXPECT_EQ(info.MinorVersion(), c.Minor);
        EXPECT_EQ(info.Release(), c.Release);
        EXPECT_EQ(info.Build(), c.Build);
    }
}

TEST_F(VersionInfoTest, AFileWithoutVersionDataHasNoInfoAtAll) {
    dialogs::TVersionInfo info(&owner);
    info.GetInfo(ProgramWith(Block("3.3.3.3")));
    ASSERT_EQ(info.FileVersion(), "3.3.3.3");
    for (const std::string& file : {platform.WriteFile("Program/Plain", "an ordinary file"),
                                    platform.Path("Program/Missing")}) {
        info.GetInfo(file); // nothing of the earlier file may remain
        for (const std::string* text :
             {&info.CompanyName(), &info.FileDescription(), &info.FileVersion(),
              &info.Internalname(), &info.LegalCopyright(), &info.LegalTradeMarks(),
              &info.OriginalFilename(), &info.ProductName(), &info.ProductVersion(),
              &info.Comments(), &info.MajorVersion(), &info.MinorVersion(), &info.Release(),
              &info.Build()})
            EXPECT_EQ(*text, "<info not available>");
    }
}

} // namespace
