// Date-time values as the program stores them: days since 1899-12-30, time of day as the
// fraction.
#pragma once

namespace os {

// The value of a civil date and time of day (no time zone involved).
double EncodeDateTime(int year, int month, int day, int hour, int minute, double second);

} // namespace os
