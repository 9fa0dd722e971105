// Colours and fonts of controls.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace ui {

// A colour: red, green and blue, or one of the system's colours (high bit set, low byte the
// system's colour index) that the desktop resolves.
struct TColor {
    std::uint32_t Value = 0;

    static constexpr TColor FromRGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
        return TColor{static_cast<std::uint32_t>(red) | (static_cast<std::uint32_t>(green) << 8) |
                      (static_cast<std::uint32_t>(blue) << 16)};
    }
    static constexpr TColor System(std::uint8_t index) { return TColor{0x80000000u | index}; }
    constexpr bool IsSystem() const { return (Value & 0x80000000u) != 0; }
    constexpr std::uint8_t SystemIndex() const { return static_cast<std::uint8_t>(Value & 0xFF); }
    // The channels of a plain colour; for a system colour, of its usual default (ColorToRGB).
    std::uint8_t Red() const;
    std::uint8_t Green() const;
    std::uint8_t Blue() const;
    constexpr bool operator==(const TColor&) const = default;
};

inline constexpr TColor clBlack = TColor::FromRGB(0, 0, 0);
inline constexpr TColor clMaroon = TColor::FromRGB(128, 0, 0);
inline constexpr TColor clGreen = TColor::FromRGB(0, 128, 0);
inline constexpr TColor clNavy = TColor::FromRGB(0, 0, 128);
inline constexpr TColor clGray = TColor::FromRGB(128, 128, 128);
inline constexpr TColor clSilver = TColor::FromRGB(192, 192, 192);
inline constexpr TColor clRed = TColor::FromRGB(255, 0, 0);
inline constexpr TColor clBlue = TColor::FromRGB(0, 0, 255);
inline constexpr TColor clWhite = TColor::FromRGB(255, 255, 255);
// System colours, by the desktop's colour index.
inline constexpr TColor clWindow = TColor::System(5);
inline constexpr TColor clWindowText = TColor::System(8);
inline constexpr TColor clBtnFace = TColor::System(15);
inline constexpr TColor clHighlight = TColor::System(13);
inline constexpr TColor clHighlightText = TColor::System(14);

// A plain colour for any colour: system colours map to their usual defaults. Peers that know
// the desktop's palette resolve system colours themselves.
TColor ColorToRGB(TColor color);

using TFontStyles = unsigned;
inline constexpr TFontStyles fsBold = 0x1;
inline constexpr TFontStyles fsItalic = 0x2;
inline constexpr TFontStyles fsUnderline = 0x4;
inline constexpr TFontStyles fsStrikeOut = 0x8;

// A font: face name, size in points (or the same as a pixel height at 96 dots per inch),
// colour and style. Copying copies the values; assigning to a font that belongs to a control
// changes that control's font.
class TFont {
public:
    static constexpr int PixelsPerInch = 96;

    TFont() = default;
    TFont(const TFont& other);
    TFont& operator=(const TFont& other); // Assign
    ~TFont() = default;

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name);
    int Size() const;
    void SetSize(int points);
    // Character height in pixels; the font's size is derived from it.
    int Height() const { return height_; }
    void SetHeight(int pixels);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);

    // Takes every value of the source; one change notice if anything differs.
    void Assign(const TFont& source);
    bool SameAs(const TFont& other) const;

    // Raised after every change.
    std::function<void()> OnChange;

private:
    void Changed();

    std::string name_ = "MS Sans Serif";
    int height_ = 11; // 8 points
    TColor color_ = clWindowText;
    TFontStyles style_ = 0;
};

// A rough measure of text drawn in a font, for layout when no peer can measure: each
// character about half the font's height wide (bold a little wider), one line a fifth taller
// than the font's height.
int EstimateTextWidth(const TFont& font, const std::string& text);
int EstimateTextHeight(const TFont& font);

} // namespace ui
