#pragma once
// The rich-text document model shared by the RTF reader, the writers and the
// rich-text view: paragraphs with their formatting, each a list of runs of
// UTF-16 text with one character format, or a picture. Standard C++ only, so
// the terminal tool and the fuzz targets use it without Qt.
//
// Inside a run's text, U+0009 is a tab and U+2028 a line break within the
// paragraph (as in QTextDocument); paragraph ends are the paragraph list
// itself. A document has at least one paragraph, possibly empty.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kodrix::rtf {

inline constexpr char16_t kTab = u'\t';
inline constexpr char16_t kLineBreak = u'\u2028';

struct Color {
    std::uint8_t red = 0, green = 0, blue = 0;
    bool operator==(const Color&) const = default;
};

struct Font {
    std::u16string name;
    int charset = 1;   // \fcharset (1: the document's code page)
    int codePage = 0;  // \cpg, 0 when not given
    bool operator==(const Font&) const = default;
};

// Unset values (-1, 0) leave the property to the view's own font and colours.
struct CharFormat {
    bool bold = false, italic = false, underline = false, strikeOut = false;
    int halfPoints = 0;    // font size in half points, 0 = unset
    int font = -1;         // index into Document::fonts
    int foreground = -1;   // index into Document::colors
    int background = -1;   // index into Document::colors
    bool operator==(const CharFormat&) const = default;
};

enum class Alignment : std::uint8_t { Left, Center, Right, Justify };

enum class TabKind : std::uint8_t { Left, Center, Right, Decimal };

// A tab stop: its position in twips from the left margin (not from the
// paragraph's indent), and how text aligns on it.
struct TabStop {
    int position = 0;
    TabKind kind = TabKind::Left;
    bool operator==(const TabStop&) const = default;
};

// Indents and spacing in twips (1/1440 inch).
struct ParaFormat {
    Alignment alignment = Alignment::Left;
    int leftIndent = 0, rightIndent = 0, firstLineIndent = 0;
    int spaceBefore = 0, spaceAfter = 0;
    std::vector<TabStop> tabs;  // in position order
    bool operator==(const ParaFormat&) const = default;
};

// Tables: rows of cells, each cell's paragraphs standing in the paragraph
// list in reading order (row by row, cell by cell), marked with their place.
enum class BorderStyle : std::uint8_t { None, Solid, Double, Dotted, Dashed };

struct Border {
    BorderStyle style = BorderStyle::None;
    int width = 0;    // twips
    int color = -1;   // index into Document::colors; -1: the text's colour
    bool operator==(const Border&) const = default;
};

struct Cell {
    int rightEdge = 0;  // twips from the left margin
    Border top, left, bottom, right;
    int background = -1;  // index into Document::colors, -1 for none
    int padLeft = 0, padTop = 0, padRight = 0, padBottom = 0;  // twips
    bool operator==(const Cell&) const = default;
};

struct RowDefinition {
    int leftEdge = 0;  // twips from the left margin: where the first cell starts
    std::vector<Cell> cells;
    bool operator==(const RowDefinition&) const = default;
};

struct Table {
    // Per row, its definition (an index into Document::rowDefinitions, which
    // rows defined alike share), or -1 for a row defined nowhere.
    std::vector<int> rows;
    bool operator==(const Table&) const = default;
};

// The cell a paragraph stands in; table -1 for a paragraph outside tables.
struct CellPlace {
    int table = -1;
    int row = 0;
    int cell = 0;
    bool operator==(const CellPlace&) const = default;
};

struct Picture {
    enum class Kind : std::uint8_t { Png, Jpeg };
    Kind kind = Kind::Png;
    std::vector<std::uint8_t> bytes;   // the complete PNG or JPEG file
    int widthPixels = 0, heightPixels = 0;   // \picw, \pich (0 = not given)
    int goalWidth = 0, goalHeight = 0;       // \picwgoal, \pichgoal in twips (0 = not given)
    int scaleX = 100, scaleY = 100;          // percent
    bool operator==(const Picture&) const = default;
};

struct Run {
    std::u16string text;   // empty for a picture
    CharFormat format;
    int picture = -1;      // index into Document::pictures, or -1 for text
    bool isPicture() const { return picture >= 0; }
    bool operator==(const Run&) const = default;
};

struct Paragraph {
    ParaFormat format;
    CharFormat markFormat;   // the character format of the paragraph mark
    std::vector<Run> runs;
    CellPlace place;
    bool operator==(const Paragraph&) const = default;
};

inline constexpr int kDefaultTabWidth = 720;  // twips, when a document gives none

struct Document {
    std::vector<Font> fonts;
    std::vector<Color> colors;
    std::vector<Picture> pictures;
    std::vector<RowDefinition> rowDefinitions;
    std::vector<Table> tables;
    std::vector<Paragraph> paragraphs{Paragraph{}};
    int defaultTabWidth = kDefaultTabWidth;  // twips between default tab stops
    bool operator==(const Document&) const = default;
};

// The text without formatting: paragraphs joined by lineEnd, except that the
// cells of a table row are joined by a tab (a row reads as one line); line
// breaks within a paragraph written as lineEnd too, tabs kept, pictures left
// out.
std::u16string plainText(const Document& doc, std::u16string_view lineEnd = u"\n");

// A document of unformatted paragraphs: CR LF, a lone CR and a lone LF each end
// a paragraph; control characters other than tab are dropped (as the RTF
// reader drops them).
Document documentFromText(std::u16string_view text);

// Appends text in a format to the paragraph, joining it to the last run when
// that run has the same format.
void appendText(Paragraph& paragraph, std::u16string_view text, const CharFormat& format);

}  // namespace kodrix::rtf
