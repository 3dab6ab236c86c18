#pragma once
// Colour numbers as the program stores them: 32 bits, an RGB colour as
// 0x00BBGGRR, a system colour as 0xFF000000 + its index in the classic
// system colour list (0 scroll bar ... 30 menu bar). Written as signed
// decimal text, so system colours are negative: clBtnFace = 0xFF00000F =
// -16777201.
//
// A system colour shows as the colour of the application palette's role that
// means the same (button face = Button, window = Base, window text = Text,
// highlight = Highlight, tooltip background = ToolTipBase, ...). An index the
// list does not hold shows black. A number whose high byte is neither 0 nor
// 0xFF shows its low three bytes as RGB.
#include <QColor>
#include <QIcon>
#include <QString>

#include <cstdint>
#include <span>

class QPalette;

namespace kodrix {

class TColor {
public:
    constexpr TColor() = default;
    constexpr explicit TColor(std::int32_t number) : number_(number) {}

    static constexpr TColor fromRgb(int red, int green, int blue) {
        return TColor(std::int32_t((std::uint32_t(blue & 0xFF) << 16) | (std::uint32_t(green & 0xFF) << 8) |
                                   std::uint32_t(red & 0xFF)));
    }
    static constexpr TColor system(int index) { return TColor(std::int32_t(0xFF000000u | std::uint32_t(index & 0xFF))); }

    constexpr std::int32_t number() const { return number_; }
    constexpr bool isSystem() const { return (std::uint32_t(number_) >> 24) == 0xFF; }
    constexpr int systemIndex() const { return int(std::uint32_t(number_) & 0xFF); }
    constexpr bool operator==(const TColor&) const = default;

    // The colour shown: RGB as it is, a system colour from the palette
    // (the application's when none is given).
    QColor toQColor() const;
    QColor toQColor(const QPalette& palette) const;
    // The RGB number of a colour (alpha is dropped).
    static TColor fromQColor(const QColor& color);

    // Signed decimal, as stored.
    QString toText() const;
    // The program's integer conversion (decimal, or hexadecimal after "$");
    // other text throws Error("'<text>' is not a valid integer value").
    static TColor fromText(const QString& text);

    // The toolkit's identifier of a named colour ("clBtnFace", "clRed"), or
    // an empty text for any other number.
    QString identifier() const;

private:
    std::int32_t number_ = 0;
};

namespace colors {
// The 16 standard colours.
inline constexpr TColor clBlack = TColor::fromRgb(0, 0, 0);
inline constexpr TColor clMaroon = TColor::fromRgb(128, 0, 0);
inline constexpr TColor clGreen = TColor::fromRgb(0, 128, 0);
inline constexpr TColor clOlive = TColor::fromRgb(128, 128, 0);
inline constexpr TColor clNavy = TColor::fromRgb(0, 0, 128);
inline constexpr TColor clPurple = TColor::fromRgb(128, 0, 128);
inline constexpr TColor clTeal = TColor::fromRgb(0, 128, 128);
inline constexpr TColor clGray = TColor::fromRgb(128, 128, 128);
inline constexpr TColor clSilver = TColor::fromRgb(192, 192, 192);
inline constexpr TColor clRed = TColor::fromRgb(255, 0, 0);
inline constexpr TColor clLime = TColor::fromRgb(0, 255, 0);
inline constexpr TColor clYellow = TColor::fromRgb(255, 255, 0);
inline constexpr TColor clBlue = TColor::fromRgb(0, 0, 255);
inline constexpr TColor clFuchsia = TColor::fromRgb(255, 0, 255);
inline constexpr TColor clAqua = TColor::fromRgb(0, 255, 255);
inline constexpr TColor clWhite = TColor::fromRgb(255, 255, 255);
// The extended colours.
inline constexpr TColor clMoneyGreen = TColor::fromRgb(192, 220, 192);
inline constexpr TColor clSkyBlue = TColor::fromRgb(166, 202, 240);
inline constexpr TColor clCream = TColor::fromRgb(255, 251, 240);
inline constexpr TColor clMedGray = TColor::fromRgb(160, 160, 164);
// The system colours.
inline constexpr TColor clScrollBar = TColor::system(0);
inline constexpr TColor clBackground = TColor::system(1);
inline constexpr TColor clActiveCaption = TColor::system(2);
inline constexpr TColor clInactiveCaption = TColor::system(3);
inline constexpr TColor clMenu = TColor::system(4);
inline constexpr TColor clWindow = TColor::system(5);
inline constexpr TColor clWindowFrame = TColor::system(6);
inline constexpr TColor clMenuText = TColor::system(7);
inline constexpr TColor clWindowText = TColor::system(8);
inline constexpr TColor clCaptionText = TColor::system(9);
inline constexpr TColor clActiveBorder = TColor::system(10);
inline constexpr TColor clInactiveBorder = TColor::system(11);
inline constexpr TColor clAppWorkSpace = TColor::system(12);
inline constexpr TColor clHighlight = TColor::system(13);
inline constexpr TColor clHighlightText = TColor::system(14);
inline constexpr TColor clBtnFace = TColor::system(15);
inline constexpr TColor clBtnShadow = TColor::system(16);
inline constexpr TColor clGrayText = TColor::system(17);
inline constexpr TColor clBtnText = TColor::system(18);
inline constexpr TColor clInactiveCaptionText = TColor::system(19);
inline constexpr TColor clBtnHighlight = TColor::system(20);
inline constexpr TColor cl3DDkShadow = TColor::system(21);
inline constexpr TColor cl3DLight = TColor::system(22);
inline constexpr TColor clInfoText = TColor::system(23);
inline constexpr TColor clInfoBk = TColor::system(24);
inline constexpr TColor clHotLight = TColor::system(26);
inline constexpr TColor clGradientActiveCaption = TColor::system(27);
inline constexpr TColor clGradientInactiveCaption = TColor::system(28);
inline constexpr TColor clMenuHighlight = TColor::system(29);
inline constexpr TColor clMenuBar = TColor::system(30);
}  // namespace colors

struct NamedColor {
    TColor color;
    const char* identifier;  // "clBlack"
};

// The named colours in the order the colour box lists them: the 16 standard
// colours, the 4 extended ones, then the system colours by identifier.
std::span<const NamedColor> standardColors();
std::span<const NamedColor> extendedColors();
std::span<const NamedColor> systemColors();

// A colour's small picture in a colour list: the colour in a thin black frame.
QIcon colorSwatch(const QColor& color);

}  // namespace kodrix
