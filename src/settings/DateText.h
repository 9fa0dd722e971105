// Reading a date and time written as text in the user's regional format, as the settings file
// holds the time of the last update check.
#pragma once

#include <string>

namespace settings {

// The parts of the regional format that decide how a date is read.
struct TDateFormat {
    std::string ShortDateFormat = "dd/MM/yyyy"; // only the order of d, M and y counts
    std::string DateSeparator = "/";
    std::string TimeSeparator = ":";
};

// Reads "date[ time]" in the regional format: the day, month and year in the order of
// ShortDateFormat (the year may be left out, or given with two digits and then taken within
// 50 years of currentYear), then hours, minutes, optional seconds and an optional AM or PM.
// "yyyy-mm-dd hh:nn:ss" is read in every region. The value counts days since 1899-12-30
// with the time of day as the fraction. False for anything else, or an impossible date.
bool TryStrToDateTime(const std::string& text, const TDateFormat& format, int currentYear,
                      double& value);

// The year of a date-time value.
int YearOf(double dateTime);

} // namespace settings
