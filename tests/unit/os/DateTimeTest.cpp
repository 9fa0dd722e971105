#include "os/common/DateTime.h"

#include <gtest/gtest.h>

using os::EncodeDateTime;

TEST(EncodeDateTime, DaysSinceTheEpochOfStoredDates) {
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30, 0, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1900, 1, 1, 0, 0, 0), 2.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(2000, 1, 1, 0, 0, 0), 36526.0);
    // Across a leap day and a century that is no leap year.
    EXPECT_DOUBLE_EQ(EncodeDateTime(2024, 3, 1, 0, 0, 0) - EncodeDateTime(2024, 2, 28, 0, 0, 0),
                     2.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1900, 3, 1, 0, 0, 0) - EncodeDateTime(1900, 2, 28, 0, 0, 0),
                     1.0);
}

TEST(EncodeDateTime, TimeOfDayIsTheFraction) {
    EXPECT_DOUBLE_EQ(EncodeDateTime(2024, 2, 29, 12, 0, 0), 45351.5);
    EXPECT_NEAR(EncodeDateTime(2024, 2, 29, 23, 59, 59.5) - 45351.0, 86399.5 / 86400.0, 1e-9);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30, 6, 0, 0), 0.25);
}
