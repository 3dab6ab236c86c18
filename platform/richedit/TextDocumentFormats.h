#pragma once
// What the conversions between the rich-text model and QTextDocument share:
// units, and the format properties that mark what the view added to a
// document for its own sake (to be left out when the document is written).
#include "RichText.h"
#include "TextDocumentConversion.h"

#include <QString>
#include <QTextFormat>

#include <string>
#include <string_view>

namespace kodrix::textdoc {

inline constexpr double kTwipsPerPixel = 15.0;  // 1440 twips per inch at 96 pixels per inch

// A block that continues the paragraph before it: the view ends a block past
// kMaxBlockLength characters or kMaxLineBreaks line breaks. The value says
// what stood at the split.
inline constexpr int kContinuationProperty = QTextFormat::UserProperty + 2;
inline constexpr int kContinuesText = 1;
inline constexpr int kContinuesAfterLineBreak = 2;
// A block or table cell the view added around tables (Qt keeps a block before
// a table that opens the document and between tables; a row shorter than its
// table has empty cells at its end): no part of the document.
inline constexpr int kFillerProperty = QTextFormat::UserProperty + 3;
// A table's left edge in twips, which may lie left of the margin (where Qt
// cannot draw it).
inline constexpr int kTableLeftEdgeProperty = QTextFormat::UserProperty + 5;
// The tab stop at the left indent of a paragraph with a hanging first line:
// RTF implies it, the view writes it out, the writers leave it implied.
inline constexpr int kImpliedTabProperty = QTextFormat::UserProperty + 4;

inline QString toQString(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::u16string toU16(const QString& s) {
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size()));
}

}  // namespace kodrix::textdoc
