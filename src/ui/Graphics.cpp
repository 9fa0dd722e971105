#include "ui/Graphics.h"

namespace ui {

namespace {

int MulDiv(int number, int numerator, int denominator) {
    const long long product = static_cast<long long>(number) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

} // namespace

std::uint8_t TColor::Red() const {
    return static_cast<std::uint8_t>(ColorToRGB(*this).Value);
}
std::uint8_t TColor::Green() const {
    return static_cast<std::uint8_t>(ColorToRGB(*this).Value >> 8);
}
std::uint8_t TColor::Blue() const {
    return static_cast<std::uint8_t>(ColorToRGB(*this).Value >> 16);
}

TColor ColorToRGB(TColor color) {
    if (!color.IsSystem())
        return color;
    switch (color.SystemIndex()) {
    case 5: // window background
        return clWhite;
    case 8: // window text
        return clBlack;
    case 13: // selection
        return TColor::FromRGB(0, 120, 215);
    case 14: // selected text
        return clWhite;
    case 15: // button face
        return TColor::FromRGB(240, 240, 240);
    default:
        return clBlack;
    }
}

TFont::TFont(const TFont& other)
    : name_(other.name_), height_(other.height_), color_(other.color_), style_(other.style_) {}

TFont& TFont::operator=(const TFont& other) {
    Assign(other);
    return *this;
}

void TFont::SetName(const std::string& name) {
    if (name == name_)
        return;
    name_ = name;
    Changed();
}

int TFont::Size() const {
    return MulDiv(height_, 72, PixelsPerInch);
}

void TFont::SetSize(int points) {
    SetHeight(MulDiv(points, PixelsPerInch, 72));
}

void TFont::SetHeight(int pixels) {
    if (pixels == height_)
        return;
    height_ = pixels;
    Changed();
}

void TFont::SetColor(TColor color) {
    if (color == color_)
        return;
    color_ = color;
    Changed();
}

void TFont::SetStyle(TFontStyles style) {
    if (style == style_)
        return;
    style_ = style;
    Changed();
}

void TFont::Assign(const TFont& source) {
    if (&source == this || SameAs(source))
        return;
    name_ = source.name_;
    height_ = source.height_;
    color_ = source.color_;
    style_ = source.style_;
    Changed();
}

bool TFont::SameAs(const TFont& other) const {
    return name_ == other.name_ && height_ == other.height_ && color_ == other.color_ &&
           style_ == other.style_;
}

void TFont::Changed() {
    if (OnChange)
        OnChange();
}

int EstimateTextWidth(const TFont& font, const std::string& text) {
    // Count characters, not bytes, so UTF-8 text is not measured too wide.
    int characters = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++characters;
    const int perTen = (font.Style() & fsBold) ? 6 : 5; // tenths of the height per character
    return (characters * font.Height() * perTen + 9) / 10;
}

int EstimateTextHeight(const TFont& font) {
    return (font.Height() * 6 + 4) / 5;
}

} // namespace ui
