// The time of the last update check as stored text, read in any regional format: a value read
// is a real date, and one that reads always reads the same.
#include "settings/DateText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    settings::TDateFormat format;
    format.ShortDateFormat = input.ConsumeRandomLengthString(12);
    format.DateSeparator = input.ConsumeRandomLengthString(3);
    format.TimeSeparator = input.ConsumeRandomLengthString(3);
    const int currentYear = input.ConsumeIntegralInRange(1, 9999);
    const std::string text = input.ConsumeRemainingBytesAsString();
    double value = 0;
    if (!settings::TryStrToDateTime(text, format, currentYear, value))
        return 0;
    // Years 1 to 9999, as a date-time value can hold them.
    if (!std::isfinite(value) || value < -693594.0 || value >= 2958466.0)
        std::abort();
    (void)settings::YearOf(value);
    return 0;
}
