#include "os/linux/LinuxLocale.h"

#include <gtest/gtest.h>
#include <set>

using os::LangIdOfLocale;
using os::LanguageNameOf;
using os::ShortDateOfFormat;
using os::TimeSeparatorOfFormat;

TEST(LinuxLocale, LanguageAndTerritoryGiveTheWindowsIdentifier) {
    EXPECT_EQ(LangIdOfLocale("de_DE.UTF-8"), 1031);
    EXPECT_EQ(LangIdOfLocale("pt_BR"), 1046);
    EXPECT_EQ(LangIdOfLocale("pt_PT.ISO-8859-1"), 2070);
    EXPECT_EQ(LangIdOfLocale("es_ES"), 3082);
    EXPECT_EQ(LangIdOfLocale("en_US"), 1033);
    EXPECT_EQ(LangIdOfLocale("en_GB.utf8"), 2057);
    EXPECT_EQ(LangIdOfLocale("zh_TW.UTF-8"), 1028);
    EXPECT_EQ(LangIdOfLocale("fr_CA"), 3084);
    EXPECT_EQ(LangIdOfLocale("de_de"), 1031);
}

TEST(LinuxLocale, ModifiersCodesetsAndOldCodes) {
    EXPECT_EQ(LangIdOfLocale("de_DE@euro"), 1031);
    EXPECT_EQ(LangIdOfLocale("sr_RS"), 10266);
    EXPECT_EQ(LangIdOfLocale("sr_RS.UTF-8@latin"), 9242);
    EXPECT_EQ(LangIdOfLocale("no_NO"), 1044);
    EXPECT_EQ(LangIdOfLocale("iw_IL"), 1037);
}

TEST(LinuxLocale, UnknownTerritoryFallsBackToTheLanguage) {
    EXPECT_EQ(LangIdOfLocale("de_BE.UTF-8"), 1031);
    EXPECT_EQ(LangIdOfLocale("fr_SN"), 1036);
    EXPECT_EQ(LangIdOfLocale("es"), 3082);
    EXPECT_EQ(LangIdOfLocale("en_NG"), 1033);
    EXPECT_EQ(LangIdOfLocale("pt"), 1046);
}

TEST(LinuxLocale, NeutralAndUnknownLocalesAreUnitedStatesEnglish) {
    for (const char* name : {"C", "POSIX", "", "C.UTF-8", "xx_YY", "tlh"})
        EXPECT_EQ(LangIdOfLocale(name), 1033) << name;
}

TEST(LinuxLocale, EnglishNames) {
    EXPECT_EQ(LanguageNameOf(1033), "English (United States)");
    EXPECT_EQ(LanguageNameOf(1031), "German (Germany)");
    EXPECT_EQ(LanguageNameOf(1046), "Portuguese (Brazil)");
    EXPECT_EQ(LanguageNameOf(0), "Language Neutral");
    EXPECT_EQ(LanguageNameOf(0x7FFF), "Language Neutral");
}

TEST(LinuxLocale, TableCoversManyLanguagesWithShortNames) {
    std::set<std::string> named;
    for (unsigned id = 1; id < 0x10000; ++id) {
        const std::string name = LanguageNameOf(static_cast<std::uint16_t>(id));
        if (name == "Language Neutral")
            continue;
        named.insert(name);
        EXPECT_LE(name.size(), 49u) << id;
        EXPECT_NE(name.find(" ("), std::string::npos) << id;
    }
    EXPECT_GE(named.size(), 40u);
}

TEST(LinuxLocale, ShortDatePatternsFromDateFormats) {
    std::string separator;
    EXPECT_EQ(ShortDateOfFormat("%d.%m.%Y", separator), "dd.MM.yyyy");
    EXPECT_EQ(separator, ".");
    EXPECT_EQ(ShortDateOfFormat("%m/%d/%y", separator), "MM/dd/yy");
    EXPECT_EQ(separator, "/");
    EXPECT_EQ(ShortDateOfFormat("%D", separator), "MM/dd/yy");
    EXPECT_EQ(ShortDateOfFormat("%F", separator), "yyyy-MM-dd");
    EXPECT_EQ(separator, "-");
    EXPECT_EQ(ShortDateOfFormat("%e.%-m.%Y", separator), "d.MM.yyyy");
    EXPECT_EQ(ShortDateOfFormat("%Ey/%Om/%d", separator), "yy/MM/dd");
}

TEST(LinuxLocale, ShortDateFallsBackToSlashes) {
    std::string separator;
    // Words between the fields (as East Asian formats have) are no separator.
    EXPECT_EQ(ShortDateOfFormat("%Y\xe5\xb9\xb4%m\xe6\x9c\x88%d\xe6\x97\xa5", separator),
              "yyyy/MM/dd");
    EXPECT_EQ(separator, "/");
    EXPECT_EQ(ShortDateOfFormat("%Y. %m. %d.", separator), "yyyy/MM/dd");
    EXPECT_EQ(ShortDateOfFormat("%d-%m/%Y", separator), "dd/MM/yyyy");
    EXPECT_EQ(ShortDateOfFormat("%a %b %e", separator), "MM/dd/yyyy");
    EXPECT_EQ(separator, "/");
}

TEST(LinuxLocale, TimeSeparatorFromTimeFormats) {
    EXPECT_EQ(TimeSeparatorOfFormat("%H:%M:%S"), ":");
    EXPECT_EQ(TimeSeparatorOfFormat("%T"), ":");
    EXPECT_EQ(TimeSeparatorOfFormat("%r"), ":");
    EXPECT_EQ(TimeSeparatorOfFormat("%H.%M.%S"), ".");
    EXPECT_EQ(TimeSeparatorOfFormat("%l.%M.%S %p"), ".");
    EXPECT_EQ(TimeSeparatorOfFormat("%k%%%M"), "%");
    EXPECT_EQ(TimeSeparatorOfFormat("%Hh%M"), ":");
    EXPECT_EQ(TimeSeparatorOfFormat("%H %M"), ":");
    EXPECT_EQ(TimeSeparatorOfFormat(""), ":");
}
