#include "settings/DateText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using settings::TDateFormat;

constexpr double Dec8th2025 = 45999.0; // 2025-12-08

double Read(const std::string& text, const TDateFormat& format, int currentYear = 2025) {
    double value = -12345;
    if (!settings::TryStrToDateTime(text, format, currentYear, value))
        return -12345;
    return value;
}

bool Fails(const std::string& text, const TDateFormat& format) {
    double value = 0;
    return !settings::TryStrToDateTime(text, format, 2025, value);
}

TEST(DateTextTest, ReadsTheDateInTheOrderOfTheRegionalPattern) {
    double expected = Dec8th2025 + (10 * 3600 + 30 * 60 + 15) / 86400.0;
    EXPECT_DOUBLE_EQ(Read("08/12/2025 10:30:15", {"dd/MM/yyyy", "/", ":"}), expected);
    EXPECT_DOUBLE_EQ(Read("12/8/2025 10:30:15", {"M/d/yyyy", "/", ":"}), expected);
    EXPECT_DOUBLE_EQ(Read("08.12.2025 10:30:15", {"dd.MM.yyyy", ".", ":"}), expected);
    EXPECT_DOUBLE_EQ(Read("2025/12/08 10:30:15", {"yyyy/MM/dd", "/", ":"}), expected);
    EXPECT_DOUBLE_EQ(Read("2025. 12. 08. 10:30:15", {"yyyy. MM. dd.", ". ", ":"}), expected);
    EXPECT_DOUBLE_EQ(Read("08.12.2025 10.30.15", {"dd.MM.yyyy", ".", "."}), expected);
    EXPECT_DOUBLE_EQ(Read("  08/12/2025   10:30:15  ", {"dd/MM/yyyy", "/", ":"}), expected);
}

TEST(DateTextTest, TimeIsOptionalAndMayCarryAmOrPm) {
    TDateFormat us{"M/d/yyyy", "/", ":"};
    EXPECT_DOUBLE_EQ(Read("12/8/2025", us), Dec8th2025);
    EXPECT_DOUBLE_EQ(Read("12/8/2025 10:30", us), Dec8th2025 + 10.5 / 24);
    EXPECT_DOUBLE_EQ(Read("12/8/2025 12:00:00 AM", us), Dec8th2025);
    EXPECT_DOUBLE_EQ(Read("12/8/2025 12:15 PM", us), Dec8th2025 + 12.25 / 24);
    EXPECT_DOUBLE_EQ(Read("12/8/2025 1:05:00 pm", us), Dec8th2025 + (13 * 60 + 5) / 1440.0);
    EXPECT_TRUE(Fails("12/8/2025 13:00 PM", us));
    EXPECT_TRUE(Fails("12/8/2025 0:00 AM", us));
}

TEST(DateTextTest, ShortYearsFallWithinFiftyYearsOfTheCurrentOne) {
    TDateFormat format{"dd/MM/yy", "/", ":"};
    EXPECT_DOUBLE_EQ(Read("08/12/25", format), Dec8th2025);
    EXPECT_DOUBLE_EQ(Read("30/12/99", format), 36524.0);       // 1999-12-30
    EXPECT_DOUBLE_EQ(Read("30/12/99", format, 2060), 73049.0); // 2099-12-30
    // A missing year is the current one.
    EXPECT_DOUBLE_EQ(Read("08/12 10:30", format), Dec8th2025 + 10.5 / 24);
}

TEST(DateTextTest, IsoDatesAreReadInEveryRegion) {
    double expected = Dec8th2025 + 0.75;
    EXPECT_DOUBLE_EQ(Read("2025-12-08 18:00:00", {"dd/MM/yyyy", "/", ":"}), expected);
    EXPECT_DOUBLE_EQ(Read("2025-12-08T18:00:00", {"M/d/yyyy", "/", "."}), expected);
    EXPECT_DOUBLE_EQ(Read("2025-12-08", {"dd.MM.yyyy", ".", ":"}), Dec8th2025);
}

TEST(DateTextTest, DatesBeforeDayZeroCountTheirTimeForward) {
    TDateFormat format{"yyyy-MM-dd", "-", ":"};
    EXPECT_DOUBLE_EQ(Read("1899-12-30 06:00", format), 0.25);
    EXPECT_DOUBLE_EQ(Read("1899-12-29 12:00", format), -1.5);
    EXPECT_DOUBLE_EQ(Read("2000-02-29", format), 36585.0);
}

TEST(DateTextTest, AnythingElseIsNoDate) {
    TDateFormat format{"dd/MM/yyyy", "/", ":"};
    for (const char* text : {"",
                             "   ",
                             "abc",
                             "0",
                             "08/12/2025x",
                             "31/02/2025",
                             "29/02/2025",
                             "08/13/2025",
                             "00/12/2025",
                             "08/12/2025 24:00",
                             "08/12/2025 10:60",
                             "08/12/2025 10:30:61",
                             "08/12/2025 10",
                             "08/12/2025 10:30 later",
                             "08-12-2025",
                             "08/12/20255",
                             "2025-13-01",
                             "2025-12-08 10",
                             "08//12/2025",
                             "08/12/2025/1"})
        EXPECT_TRUE(Fails(text, format)) << '"' << text << '"';
}

TEST(DateTextTest, YearOfADateTime) {
    EXPECT_EQ(settings::YearOf(Dec8th2025 + 0.99), 2025);
    EXPECT_EQ(settings::YearOf(0), 1899);
    EXPECT_EQ(settings::YearOf(-1.5), 1899);
    EXPECT_EQ(settings::YearOf(36525), 1999);   // 1999-12-31
    EXPECT_EQ(settings::YearOf(36526), 2000);   // 2000-01-01
    EXPECT_EQ(settings::YearOf(2958465), 9999); // 9999-12-31
}

} // namespace
