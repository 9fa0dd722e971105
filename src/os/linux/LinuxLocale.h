// POSIX locale facts in the form of the Windows national-language services: language
// identifiers with their English names, and date and time patterns.
#pragma once

#include <cstdint>
#include <string>

namespace os {

// The Windows language identifier of a POSIX locale name such as "de_DE.UTF-8" or
// "pt_BR@euro": the row of its language and territory, else the main row of its language,
// else English (United States), 1033. "C", "POSIX" and empty give 1033.
std::uint16_t LangIdOfLocale(const std::string& localeName);

// The English name of a language identifier ("German (Germany)"); "Language Neutral" for
// identifiers the table lacks.
std::string LanguageNameOf(std::uint16_t langId);

// A short-date pattern of d, M and y from a strftime date format ("%d.%m.%Y" gives
// "dd.MM.yyyy" with "."). Formats without a single-character separator between the three
// fields fall back to their field order with "/".
std::string ShortDateOfFormat(const std::string& dateFormat, std::string& separator);

// The separator between hours and minutes of a strftime time format; ":" when none is found.
std::string TimeSeparatorOfFormat(const std::string& timeFormat);

} // namespace os
