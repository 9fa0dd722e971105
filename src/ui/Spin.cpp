#include "ui/Spin.h"

#include <charconv>
#include <climits>
#include <optional>
#include <string_view>

namespace ui {

namespace {

std::optional<int> ParseWholeNumber(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    const bool plus = text[0] == '+';
    if (plus)
        text.remove_prefix(1); // from_chars takes '-' but not '+'
    if (text.empty() || (plus && (text[0] < '0' || text[0] > '9')))
        return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

TSpinEdit::TSpinEdit(TComponent* owner) : TCustomEdit(owner) {
    SetBounds(0, 0, 121, 22);
    SetText("0");
}

void TSpinEdit::SetMinValue(int value) {
    if (value == minValue_)
        return;
    minValue_ = value;
    Changed(TProperty::Range);
}

void TSpinEdit::SetMaxValue(int value) {
    if (value == maxValue_)
        return;
    maxValue_ = value;
    Changed(TProperty::Range);
}

int TSpinEdit::Value() const {
    return ParseWholeNumber(Text()).value_or(minValue_);
}

void TSpinEdit::SetValue(int value) {
    SetText(std::to_string(CheckValue(value)));
}

int TSpinEdit::CheckValue(long long value) const {
    long long low = INT_MIN;
    long long high = INT_MAX;
    if (maxValue_ != minValue_) {
        low = minValue_;
        high = maxValue_;
    }
    if (value < low)
        value = low;
    if (value > high)
        value = high;
    return static_cast<int>(value);
}

void TSpinEdit::StepUp() {
    if (!ReadOnly())
        SetText(std::to_string(CheckValue(static_cast<long long>(Value()) + increment_)));
}

void TSpinEdit::StepDown() {
    if (!ReadOnly())
        SetText(std::to_string(CheckValue(static_cast<long long>(Value()) - increment_)));
}

void TSpinEdit::DoExit() {
    const int value = Value();
    if (CheckValue(value) != value)
        SetValue(value);
    TCustomEdit::DoExit();
}

} // namespace ui
