#include "settings/DateText.h"

#include "os/common/Text.h"
#include <cmath>
#include <cstddef>
#include <vector>

namespace settings {

namespace {

// 1899-12-30, day 0 of date-time values, lies 693594 days after 0001-01-01 less one.
constexpr long long DayZero = 693594;

bool IsLeapYear(int year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Days from 0001-01-01 (day 1) to the date.
long long DayNumber(int year, int month, int day) {
    long long y = year - 1;
    long long days = y * 365 + y / 4 - y / 100 + y / 400;
    for (int m = 1; m < month; ++m)
        days += DaysInMonth(year, m);
    return days + day;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string Trim(const std::string& text) {
    return os::TrimBlanks(text);
}

class Scanner {
public:
    explicit Scanner(const std::string& text) : text_(text) {}

    bool AtEnd() const { return pos_ >= text_.size(); }
    void SkipBlanks() {
        while (!AtEnd() && IsBlank(text_[pos_]))
            ++pos_;
    }
    // Up to maxDigits decimal digits; digits gives how many were read.
    bool Number(int& value, int& digits, int maxDigits = 4) {
        value = 0;
        digits = 0;
        while (!AtEnd() && IsDigit(text_[pos_]) && digits < maxDigits) {
            value = value * 10 + (text_[pos_] - '0');
            ++pos_;
            ++digits;
        }
        return digits > 0 && (AtEnd() || !IsDigit(text_[pos_]));
    }
    // The separator with any blanks around it; a blank-only separator stands for blanks.
    bool Separator(const std::string& separator) {
        std::size_t start = pos_;
        SkipBlanks();
        std::string core = Trim(separator);
        if (core.empty())
            return pos_ > start;
        if (text_.compare(pos_, core.size(), core) != 0) {
            pos_ = start;
            return false;
        }
        pos_ += core.size();
        SkipBlanks();
        return true;
    }
    bool Char(char c) {
        if (AtEnd() || text_[pos_] != c)
            return false;
        ++pos_;
        return true;
    }
    // A word, letter case ignored.
    bool Word(const char* word) {
        std::size_t n = 0;
        while (word[n] != '\0') {
            if (pos_ + n >= text_.size() || Upper(text_[pos_ + n]) != word[n])
                return false;
            ++n;
        }
        pos_ += n;
        return true;
    }
    std::size_t Position() const { return pos_; }
    void Reset(std::size_t pos) { pos_ = pos; }

private:
    const std::string& text_;
    std::size_t pos_ = 0;
};

bool ValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

double Combine(int year, int month, int day, int hour, int minute, int second) {
    double date = static_cast<double>(DayNumber(year, month, day) - DayZero);
    double time = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    // Before day 0 the time still counts forward from the date's midnight.
    return date < 0 ? date - time : date + time;
}

// hh<sep>nn[<sep>ss][ AM|PM] up to the end of the text.
bool ScanTime(Scanner& scan, const std::string& separator, int& hour, int& minute, int& second) {
    int digits = 0;
    second = 0;
    if (!scan.Number(hour, digits, 2) || !scan.Separator(separator) ||
        !scan.Number(minute, digits, 2))
        return false;
    std::size_t mark = scan.Position();
    if (!(scan.Separator(separator) && scan.Number(second, digits, 2)))
        scan.Reset(mark);
    scan.SkipBlanks();
    bool pm = scan.Word("PM") || scan.Word("P");
    bool am = !pm && (scan.Word("AM") || scan.Word("A"));
    scan.SkipBlanks();
    if (!scan.AtEnd())
        return false;
    if (am || pm) {
        if (hour < 1 || hour > 12)
            return false;
        hour = hour % 12 + (pm ? 12 : 0);
    }
    return hour <= 23 && minute <= 59 && second <= 59;
}

bool TryIso(const std::string& text, double& value) {
    Scanner scan(text);
    int year = 0, month = 0, day = 0, digits = 0;
    if (!scan.Number(year, digits, 4) || digits != 4 || !scan.Char('-') ||
        !scan.Number(month, digits, 2) || !scan.Char('-') || !scan.Number(day, digits, 2))
        return false;
    if (!ValidDate(year, month, day))
        return false;
    int hour = 0, minute = 0, second = 0;
    if (!scan.AtEnd()) {
        if (!scan.Char('T') && !scan.Separator(" "))
            return false;
        if (!ScanTime(scan, ":", hour, minute, second))
            return false;
    }
    value = Combine(year, month, day, hour, minute, second);
    return true;
}

// The order of day, month and year in a short date pattern, as "DMY", "MDY" or "YMD".
std::string DateOrder(const std::string& pattern) {
    std::string order;
    for (char c : pattern) {
        char u = Upper(c);
        if ((u == 'D' || u == 'M' || u == 'Y') && order.find(u) == std::string::npos)
            order += u;
    }
    return order.size() == 3 ? order : "MDY";
}

int WindowYear(int twoDigits, int currentYear) {
    // Within 50 years before the current one and 49 after.
    int base = currentYear - 50;
    int year = base - base % 100 + twoDigits;
    return year < base ? year + 100 : year;
}

} // namespace

int YearOf(double dateTime) {
    long long day = static_cast<long long>(std::floor(dateTime)) + DayZero;
    int year = static_cast<int>(day / 366) + 1; // an estimate that never overshoots
    while (DayNumber(year + 1, 1, 1) <= day)
        ++year;
    return year;
}

bool TryStrToDateTime(const std::string& text, const TDateFormat& format, int currentYear,
                      double& value) {
    std::string trimmed = Trim(text);
    if (trimmed.empty())
        return false;
    if (TryIso(trimmed, value))
        return true;

    Scanner scan(trimmed);
    std::vector<int> numbers;
    std::vector<int> lengths;
    for (;;) {
        int number = 0, digits = 0;
        if (!scan.Number(number, digits, 4))
            return false;
        numbers.push_back(number);
        lengths.push_back(digits);
        if (numbers.size() == 3)
            break;
        std::size_t mark = scan.Position();
        if (!scan.Separator(format.DateSeparator)) {
            scan.Reset(mark);
            break;
        }
        // A separator may also end the date ("2025. 12. 08."); the time or nothing follows.
        std::size_t afterSeparator = scan.Position();
        int probe = 0, probeDigits = 0;
        bool more = scan.Number(probe, probeDigits, 4);
        scan.Reset(afterSeparator);
        if (!more)
            break;
    }
    if (numbers.size() < 2)
        return false;
    std::size_t afterDate = scan.Position();
    if (!scan.Separator(format.DateSeparator))
        scan.Reset(afterDate);

    std::string order = DateOrder(format.ShortDateFormat);
    int year = currentYear, month = 0, day = 0;
    bool yearGiven = numbers.size() == 3;
    if (!yearGiven)
        order.erase(order.find('Y'), 1);
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        switch (order[i]) {
        case 'D':
            day = numbers[i];
            break;
        case 'M':
            month = numbers[i];
            break;
        default:
            year = lengths[i] <= 2 ? WindowYear(numbers[i], currentYear) : numbers[i];
            break;
        }
    }
    if (!ValidDate(year, month, day))
        return false;

    int hour = 0, minute = 0, second = 0;
    scan.SkipBlanks();
    if (!scan.AtEnd() && !ScanTime(scan, format.TimeSeparator, hour, minute, second))
        return false;
    value = Combine(year, month, day, hour, minute, second);
    return true;
}

} // namespace settings
