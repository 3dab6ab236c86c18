#pragma once
// Font sizes in points at the classic 96 pixels per inch, as the program
// stores them: 8 points is an 11-pixel font. Fonts are held by pixel size,
// so a size looks the same on every screen setting.
#include <QFont>
#include <algorithm>

namespace kodrix {

// The size in points: a pixel-sized font converted at 96 per inch, rounded
// to nearest (11 px -> 8 pt).
inline int fontPoints(const QFont& font) {
    if (font.pixelSize() > 0) return (font.pixelSize() * 72 + 48) / 96;
    return std::max(1, qRound(font.pointSizeF()));
}

// Sets the size from points, as a pixel size at 96 per inch (8 pt -> 11 px).
inline void setFontPoints(QFont& font, int points) {
    points = std::clamp(points, 1, 1638);
    font.setPixelSize((points * 96 + 36) / 72);
}

// A font chosen in a dialog (point-sized) held the program's way.
inline QFont pixelSized(QFont font) {
    if (font.pixelSize() <= 0) setFontPoints(font, std::max(1, qRound(font.pointSizeF())));
    return font;
}

}  // namespace kodrix
