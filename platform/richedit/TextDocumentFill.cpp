// The rich-text model into QTextDocument (fillTextDocument), drawn as the
// document is written and cheap to lay out whatever the document holds.
#include "PictureRenderer.h"
#include "RtfReader.h"
#include "TextDocumentConversion.h"
#include "TextDocumentFormats.h"

#include <QBuffer>
#include <QColor>
#include <QImageReader>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <tuple>

namespace kodrix {
namespace {

using namespace textdoc;

constexpr double kMaxIndent = 1500.0;      // pixels
constexpr int kMaxCellWidth = 22500;       // twips (1500 pixels)
constexpr int kDefaultCellWidth = 1800;    // twips, for cells no row defines
constexpr int kBlockSplitRange = 512;      // a long block ends at a blank this near its limit

auto key(const rtf::CharFormat& f) {
    return std::tuple(f.bold, f.italic, f.underline, f.strikeOut, f.halfPoints, f.font, f.foreground, f.background);
}
struct FormatLess {
    bool operator()(const rtf::CharFormat& a, const rtf::CharFormat& b) const { return key(a) < key(b); }
};

double pixels(int twips, double lo, double hi = kMaxIndent) { return std::clamp(twips / kTwipsPerPixel, lo, hi); }

class DocumentFiller {
public:
    // The model's text and pictures are given up as they go into the
    // document, so the two are not held whole at once.
    DocumentFiller(QTextDocument& doc, rtf::Document& model) : doc_(doc), model_(model) {}

    void fill() {
        PictureRenderer::of(doc_);
        // Cleared inside the edit block, the whole content counts as new: the
        // layout then lays it out lazily, from the top, instead of all at once.
        QTextCursor cursor(&doc_);
        cursor.beginEditBlock();
        doc_.clear();
        QTextOption option = doc_.defaultTextOption();
        option.setTabStopDistance(pixels(model_.defaultTabWidth, 1));
        doc_.setDefaultTextOption(option);
        bool blockFree = true;  // the cursor's block waits for the next paragraph
        auto& paragraphs = model_.paragraphs;
        for (std::size_t i = 0; i < paragraphs.size();) {
            if (paragraphs[i].place.table >= 0) {
                i = table(cursor, i, blockFree);
                blockFree = true;
            } else {
                paragraph(cursor, paragraphs[i++], blockFree);
                blockFree = false;
            }
        }
        if (blockFree && paragraphs.back().place.table >= 0) markFiller(cursor);
        cursor.endEditBlock();
    }

private:
    // --- paragraphs -------------------------------------------------------

    QTextBlockFormat blockFormat(const rtf::ParaFormat& f) {
        QTextBlockFormat b;
        switch (f.alignment) {
        case rtf::Alignment::Left: b.setAlignment(Qt::AlignLeft); break;
        case rtf::Alignment::Center: b.setAlignment(Qt::AlignHCenter); break;
        case rtf::Alignment::Right: b.setAlignment(Qt::AlignRight); break;
        case rtf::Alignment::Justify: b.setAlignment(Qt::AlignJustify); break;
        }
        if (f.leftIndent) b.setLeftMargin(pixels(f.leftIndent, 0));
        if (f.rightIndent) b.setRightMargin(pixels(f.rightIndent, 0));
        if (f.firstLineIndent) b.setTextIndent(pixels(f.firstLineIndent, -kMaxIndent));
        if (f.spaceBefore) b.setTopMargin(pixels(f.spaceBefore, 0));
        if (f.spaceAfter) b.setBottomMargin(pixels(f.spaceAfter, 0));
        // Tab stops count from the left margin (in a table, the cell's) in
        // RTF, from the start of the line in Qt: of the first line, which is
        // where tabs stand in lists and the like. A hanging first line has a
        // tab stop at the indent, unless one stands between the first line's
        // start and the indent.
        const double lineStart = b.leftMargin() + b.textIndent();
        QList<QTextOption::Tab> tabs;
        for (const rtf::TabStop& t : f.tabs) {
            QTextOption::Tab tab;
            tab.position = pixels(t.position, 0, 2 * kMaxIndent) - lineStart;
            switch (t.kind) {
            case rtf::TabKind::Left: tab.type = QTextOption::LeftTab; break;
            case rtf::TabKind::Center: tab.type = QTextOption::CenterTab; break;
            case rtf::TabKind::Right: tab.type = QTextOption::RightTab; break;
            case rtf::TabKind::Decimal:
                tab.type = QTextOption::DelimiterTab;
                tab.delimiter = QLatin1Char('.');
                break;
            }
            tabs.append(tab);
        }
        if (f.firstLineIndent < 0) {
            const bool stopBefore = std::any_of(f.tabs.begin(), f.tabs.end(), [&f](const rtf::TabStop& t) {
                return t.position > f.leftIndent + f.firstLineIndent && t.position <= f.leftIndent;
            });
            if (!stopBefore) {
                const double indent = b.leftMargin() - lineStart;
                const auto at = std::find_if(tabs.begin(), tabs.end(),
                                             [indent](const QTextOption::Tab& t) { return t.position > indent; });
                tabs.insert(at, QTextOption::Tab(indent, QTextOption::LeftTab));
                b.setProperty(kImpliedTabProperty, true);
            }
        }
        if (!tabs.isEmpty()) b.setTabPositions(tabs);
        return b;
    }

    // Fills one paragraph at the cursor: into the cursor's block when that
    // waits for content, else into a new block after it.
    void paragraph(QTextCursor& cursor, rtf::Paragraph& p, bool blockFree) {
        paragraphFormat_ = blockFormat(p.format);
        mark_ = charFormat(p.markFormat);
        if (blockFree) {
            // Merged: in a table cell's first block the block's character
            // format is the cell's own.
            cursor.setBlockFormat(paragraphFormat_);
            cursor.mergeBlockCharFormat(mark_);
        } else {
            cursor.insertBlock(paragraphFormat_, mark_);
        }
        blockLength_ = 0;
        lineBreaks_ = 0;
        splitDue_ = false;
        for (const rtf::Run& r : p.runs) {
            if (r.isPicture()) {
                if (const QTextImageFormat* image = picture(r.picture)) {
                    if (splitDue_) continueParagraph(cursor, kContinuesText);
                    cursor.insertImage(*image);
                    ++blockLength_;
                }
            } else {
                text(cursor, r.text, charFormat(r.format));
            }
        }
        std::vector<rtf::Run>().swap(p.runs);
    }

    // Inserts a run's text, going on in a new block of the same paragraph past
    // kMaxLineBreaks line breaks (in place of the line break) and past
    // kMaxBlockLength characters (after a blank near the limit, else at it):
    // Qt lays out a block whole and a very long one slowly, a long word
    // slower still.
    void text(QTextCursor& cursor, std::u16string_view text, const QTextCharFormat& format) {
        std::size_t start = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char16_t c = text[i];
            if (c == rtf::kLineBreak && ++lineBreaks_ > kMaxLineBreaks) {
                cursor.insertText(toQString(text.substr(start, i - start)), format);
                continueParagraph(cursor, kContinuesAfterLineBreak);
                start = i + 1;
                continue;
            }
            if (splitDue_) {  // only once more text follows: no empty block at a paragraph's end
                cursor.insertText(toQString(text.substr(start, i - start)), format);
                continueParagraph(cursor, kContinuesText);
                start = i;
            }
            ++blockLength_;
            const bool blank = c == u' ' || c == rtf::kTab;
            splitDue_ = (blockLength_ >= kMaxBlockLength && !QChar::isHighSurrogate(c)) ||
                        (blank && blockLength_ >= kMaxBlockLength - kBlockSplitRange);
        }
        if (start < text.size()) cursor.insertText(toQString(text.substr(start)), format);
    }

    // A new block that goes on with the paragraph: the paragraph's space after
    // moves to it, and it has no first-line indent nor space before.
    void continueParagraph(QTextCursor& cursor, int continuation) {
        QTextBlockFormat ended;
        ended.setBottomMargin(0);
        cursor.mergeBlockFormat(ended);
        QTextBlockFormat next = paragraphFormat_;
        next.setTopMargin(0);
        next.setTextIndent(0);
        next.setProperty(kContinuationProperty, continuation);
        cursor.insertBlock(next, mark_);
        blockLength_ = 0;
        lineBreaks_ = 0;
        splitDue_ = false;
    }

    // --- character formats ------------------------------------------------

    QColor color(int index) const {
        const rtf::Color& c = model_.colors[static_cast<std::size_t>(index)];
        return QColor(c.red, c.green, c.blue);
    }
    bool hasColor(int index) const { return index >= 0 && static_cast<std::size_t>(index) < model_.colors.size(); }

    // Faces and sizes are applied as the document names them, up to
    // kMaxFontFaces distinct faces and kMaxFontSizes distinct sizes; text in
    // further ones takes the view's (each new font costs the font system a
    // search).
    template <class T>
    static bool admitted(std::set<T>& seen, const T& value, std::size_t cap) {
        if (seen.contains(value)) return true;
        if (seen.size() >= cap) return false;
        seen.insert(value);
        return true;
    }

    const QTextCharFormat& charFormat(const rtf::CharFormat& f) {
        auto it = formats_.find(f);
        if (it != formats_.end()) return it->second;
        QTextCharFormat q;
        if (f.font >= 0 && static_cast<std::size_t>(f.font) < model_.fonts.size()) {
            const QString face = toQString(model_.fonts[static_cast<std::size_t>(f.font)].name);
            if (admitted(faces_, face, kMaxFontFaces)) q.setFontFamilies(QStringList{face});
        }
        if (f.halfPoints > 0 && admitted(sizes_, f.halfPoints, kMaxFontSizes)) q.setFontPointSize(f.halfPoints / 2.0);
        // The styles are always the document's own (unset ones RTF's plain
        // text): the view's font gives a document only the face and size it
        // names none for.
        q.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
        q.setFontItalic(f.italic);
        q.setFontUnderline(f.underline);
        q.setFontStrikeOut(f.strikeOut);
        if (hasColor(f.foreground)) q.setForeground(color(f.foreground));
        if (hasColor(f.background)) q.setBackground(color(f.background));
        return formats_.emplace(f, q).first->second;
    }

    // --- pictures ---------------------------------------------------------

    // The image format of a picture, or nullptr when Qt cannot read it.
    const QTextImageFormat* picture(int index) {
        auto it = pictures_.find(index);
        if (it != pictures_.end()) return it->second ? &*it->second : nullptr;
        std::optional<QTextImageFormat>& slot = pictures_[index];
        rtf::Picture& p = model_.pictures[static_cast<std::size_t>(index)];
        const QByteArray bytes(reinterpret_cast<const char*>(p.bytes.data()), static_cast<qsizetype>(p.bytes.size()));
        std::vector<std::uint8_t>().swap(p.bytes);
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, p.kind == rtf::Picture::Kind::Png ? "png" : "jpeg");
        const QSize natural = reader.size();
        if (!natural.isValid() || natural.isEmpty()) return nullptr;
        auto side = [](int goalTwips, int naturalPixels, int scale) {
            const double base = goalTwips > 0 ? goalTwips / kTwipsPerPixel : naturalPixels;
            return std::clamp(base * scale / 100.0, 1.0, double(kMaxPictureSide));
        };
        double width = side(p.goalWidth, natural.width(), p.scaleX);
        double height = side(p.goalHeight, natural.height(), p.scaleY);
        if (width * height > double(kMaxPicturePixels)) {  // shown smaller, in proportion
            const double shrink = std::sqrt(double(kMaxPicturePixels) / (width * height));
            width = std::max(1.0, std::floor(width * shrink));
            height = std::max(1.0, std::floor(height * shrink));
        }
        static std::atomic<unsigned> counter{0};
        QTextImageFormat image;
        image.setName(QStringLiteral("kodrix-picture:%1").arg(++counter));
        image.setWidth(width);
        image.setHeight(height);
        image.setProperty(kPictureBytesProperty, bytes);
        slot = image;
        return &*slot;
    }

    // --- tables -----------------------------------------------------------

    const rtf::RowDefinition* definition(const rtf::Table& table, int row) const {
        if (row < 0 || static_cast<std::size_t>(row) >= table.rows.size()) return nullptr;
        const int index = table.rows[static_cast<std::size_t>(row)];
        if (index < 0 || static_cast<std::size_t>(index) >= model_.rowDefinitions.size()) return nullptr;
        return &model_.rowDefinitions[static_cast<std::size_t>(index)];
    }

    // The definition a row is drawn by: its own, else the nearest row's
    // before it, else after it (damaged tables); nullptr when none has one.
    const rtf::RowDefinition* drawnBy(const rtf::Table& table, int row) const {
        for (int r = row; r >= 0; --r)
            if (const rtf::RowDefinition* d = definition(table, r)) return d;
        for (int r = row + 1; static_cast<std::size_t>(r) < table.rows.size(); ++r)
            if (const rtf::RowDefinition* d = definition(table, r)) return d;
        return nullptr;
    }

    struct RowLayout {
        const rtf::RowDefinition* definition = nullptr;
        std::vector<int> edges;  // twips: the first cell's left edge, then each cell's right edge
    };

    RowLayout rowLayout(const rtf::Table& table, int row, int cellsWithText) const {
        RowLayout r;
        r.definition = drawnBy(table, row);
        int x = r.definition ? std::clamp(r.definition->leftEdge, -kMaxCellWidth, kMaxCellWidth) : 0;
        r.edges.push_back(x);
        const int defined = r.definition ? static_cast<int>(r.definition->cells.size()) : 0;
        for (int c = 0; c < std::max(defined, cellsWithText); ++c) {
            const int right = c < defined ? r.definition->cells[static_cast<std::size_t>(c)].rightEdge
                                          : x + kDefaultCellWidth;
            x = std::clamp(right, x + static_cast<int>(kTwipsPerPixel), x + kMaxCellWidth);
            r.edges.push_back(x);
        }
        return r;
    }

    QTextTableCellFormat cellFormat(const rtf::Cell& c) const {
        using F = QTextTableCellFormat;
        F cell;
        auto border = [&](const rtf::Border& b, void (F::*width)(qreal), void (F::*style)(QTextFrameFormat::BorderStyle),
                          void (F::*brush)(const QBrush&)) {
            if (b.style == rtf::BorderStyle::None) {
                (cell.*width)(0);
                return;
            }
            (cell.*width)(std::max(1.0, pixels(b.width, 0, 20)));
            switch (b.style) {
            case rtf::BorderStyle::Double: (cell.*style)(QTextFrameFormat::BorderStyle_Double); break;
            case rtf::BorderStyle::Dotted: (cell.*style)(QTextFrameFormat::BorderStyle_Dotted); break;
            case rtf::BorderStyle::Dashed: (cell.*style)(QTextFrameFormat::BorderStyle_Dashed); break;
            default: (cell.*style)(QTextFrameFormat::BorderStyle_Solid); break;
            }
            if (hasColor(b.color)) (cell.*brush)(color(b.color));  // else Qt's own (the text's) colour
        };
        border(c.top, &F::setTopBorder, &F::setTopBorderStyle, &F::setTopBorderBrush);
        border(c.left, &F::setLeftBorder, &F::setLeftBorderStyle, &F::setLeftBorderBrush);
        border(c.bottom, &F::setBottomBorder, &F::setBottomBorderStyle, &F::setBottomBorderBrush);
        border(c.right, &F::setRightBorder, &F::setRightBorderStyle, &F::setRightBorderBrush);
        cell.setLeftPadding(pixels(c.padLeft, 0, 100));
        cell.setTopPadding(pixels(c.padTop, 0, 100));
        cell.setRightPadding(pixels(c.padRight, 0, 100));
        cell.setBottomPadding(pixels(c.padBottom, 0, 100));
        if (hasColor(c.background)) cell.setBackground(color(c.background));
        return cell;
    }

    static QTextTableCellFormat fillerCell() {
        QTextTableCellFormat f;
        f.setBorder(0);
        f.setProperty(kFillerProperty, true);
        return f;
    }

    // A block the view keeps for Qt's sake: as low as a block can be.
    static void markFiller(QTextCursor& cursor) {
        QTextBlockFormat b;
        b.setProperty(kFillerProperty, true);
        b.setLineHeight(1, QTextBlockFormat::FixedHeight);
        cursor.setBlockFormat(b);
        QTextCharFormat tiny;
        tiny.setProperty(QTextFormat::FontPixelSize, 1);
        cursor.setBlockCharFormat(tiny);
    }

    // Fills the table whose paragraphs start at first, as one QTextTable per
    // kMaxTableRows rows (Qt lays out a table whole). Columns stand at every
    // cell edge of the table's rows, a cell spanning the columns between its
    // edges (at most kMaxTableColumns columns: else each cell takes one).
    // Returns the index of the first paragraph after the table.
    std::size_t table(QTextCursor& cursor, std::size_t first, bool blockFree) {
        const auto& paragraphs = model_.paragraphs;
        const int t = paragraphs[first].place.table;
        std::size_t end = first;
        while (end < paragraphs.size() && paragraphs[end].place.table == t) ++end;
        static const rtf::Table none;
        const rtf::Table& table = static_cast<std::size_t>(t) < model_.tables.size()
                                      ? model_.tables[static_cast<std::size_t>(t)]
                                      : none;
        for (std::size_t i = first; i < end;) {
            // The rows of one QTextTable: [i, chunkEnd).
            const int firstRow = paragraphs[i].place.row;
            std::size_t chunkEnd = i;
            while (chunkEnd < end && paragraphs[chunkEnd].place.row - firstRow < kMaxTableRows &&
                   paragraphs[chunkEnd].place.row >= firstRow)
                ++chunkEnd;
            chunk(cursor, table, i, chunkEnd, blockFree);
            blockFree = true;
            i = chunkEnd;
        }
        return end;
    }

    void chunk(QTextCursor& cursor, const rtf::Table& table, std::size_t first, std::size_t end, bool blockFree) {
        auto& paragraphs = model_.paragraphs;
        // Rows in order of appearance, with the cells their text fills.
        std::vector<int> rowNumbers;
        std::vector<int> cellsWithText;
        for (std::size_t i = first; i < end; ++i) {
            const rtf::CellPlace& place = paragraphs[i].place;
            if (rowNumbers.empty() || rowNumbers.back() != place.row) {
                rowNumbers.push_back(place.row);
                cellsWithText.push_back(0);
            }
            cellsWithText.back() = std::max(cellsWithText.back(), std::clamp(place.cell, 0, int(rtf::kMaxTableCells) - 1) + 1);
        }
        std::vector<RowLayout> rows;
        std::set<int> edgeSet;
        for (std::size_t r = 0; r < rowNumbers.size(); ++r) {
            rows.push_back(rowLayout(table, rowNumbers[r], cellsWithText[r]));
            edgeSet.insert(rows.back().edges.begin(), rows.back().edges.end());
        }
        std::vector<int> edges(edgeSet.begin(), edgeSet.end());
        const bool grid = edges.size() - 1 <= kMaxTableColumns;
        std::size_t columns = edges.size() - 1;
        if (!grid) {
            columns = 0;
            for (const RowLayout& r : rows) columns = std::max(columns, r.edges.size() - 1);
            edges = rows.front().edges;
            while (edges.size() < columns + 1) edges.push_back(edges.back() + kDefaultCellWidth);
        }
        auto columnOf = [&edges](int x) {
            return static_cast<int>(std::lower_bound(edges.begin(), edges.end(), x) - edges.begin());
        };

        QTextTableFormat format;
        format.setBorderCollapse(true);
        format.setBorder(0);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_None);
        format.setCellSpacing(0);
        format.setCellPadding(0);
        format.setMargin(0);
        format.setAlignment(Qt::AlignLeft);
        format.setLeftMargin(pixels(edges.front(), 0));
        format.setProperty(kTableLeftEdgeProperty, edges.front());
        QList<QTextLength> widths;
        double total = 0;
        for (std::size_t c = 0; c < columns; ++c) {
            const double w = std::max(1.0, (edges[c + 1] - edges[c]) / kTwipsPerPixel);
            widths.append(QTextLength(QTextLength::FixedLength, w));
            total += w;
        }
        format.setColumnWidthConstraints(widths);
        format.setWidth(QTextLength(QTextLength::FixedLength, total));

        // An empty block waiting here is Qt's: before a table that opens the
        // document, or between two tables.
        if (blockFree) markFiller(cursor);
        QTextTable* qtable = cursor.insertTable(static_cast<int>(rows.size()), static_cast<int>(columns), format);

        // Cell spans and formats first, text after.
        std::vector<std::vector<int>> cellColumn(rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const RowLayout& row = rows[r];
            int covered = 0;
            for (std::size_t c = 0; c + 1 < row.edges.size(); ++c) {
                int from = grid ? columnOf(row.edges[c]) : static_cast<int>(c);
                int to = grid ? columnOf(row.edges[c + 1]) : static_cast<int>(c) + 1;
                from = std::min(from, static_cast<int>(columns) - 1);
                to = std::clamp(to, from + 1, static_cast<int>(columns));
                cellColumn[r].push_back(from);
                if (to - from > 1) qtable->mergeCells(static_cast<int>(r), from, 1, to - from);
                const bool defined = row.definition && c < row.definition->cells.size();
                QTextTableCell cell = qtable->cellAt(static_cast<int>(r), from);
                cell.setFormat(defined ? cellFormat(row.definition->cells[c]) : QTextTableCellFormat{});
                for (int k = covered; k < from; ++k) qtable->cellAt(static_cast<int>(r), k).setFormat(fillerCell());
                covered = std::max(covered, to);
            }
            for (int k = covered; k < static_cast<int>(columns); ++k)
                qtable->cellAt(static_cast<int>(r), k).setFormat(fillerCell());
        }
        int rowIndex = -1;
        int lastRow = -1, lastCell = -1;
        for (std::size_t i = first; i < end; ++i) {
            const rtf::CellPlace& place = paragraphs[i].place;
            if (place.row != lastRow) {
                ++rowIndex;
                lastRow = place.row;
                lastCell = -1;
            }
            const int c = std::clamp(place.cell, 0, int(rtf::kMaxTableCells) - 1);
            const auto& columnsOfRow = cellColumn[static_cast<std::size_t>(rowIndex)];
            const int column = columnsOfRow.empty() ? 0 : columnsOfRow[std::min<std::size_t>(c, columnsOfRow.size() - 1)];
            const QTextTableCell cell = qtable->cellAt(rowIndex, column);
            QTextCursor at = c == lastCell ? cell.lastCursorPosition() : cell.firstCursorPosition();
            paragraph(at, paragraphs[i], c != lastCell);
            lastCell = c;
        }
        cursor = qtable->lastCursorPosition();
        cursor.movePosition(QTextCursor::NextBlock);
    }

    QTextDocument& doc_;
    rtf::Document& model_;
    std::map<rtf::CharFormat, QTextCharFormat, FormatLess> formats_;
    std::map<int, std::optional<QTextImageFormat>> pictures_;
    std::set<QString> faces_;
    std::set<int> sizes_;
    QTextBlockFormat paragraphFormat_;  // of the paragraph being filled
    QTextCharFormat mark_;
    int blockLength_ = 0;    // characters in the block being filled
    int lineBreaks_ = 0;     // line breaks in it
    bool splitDue_ = false;  // the block is long enough: the next character starts another
};

}  // namespace

void fillTextDocument(QTextDocument& document, rtf::Document&& model) { DocumentFiller(document, model).fill(); }

void fillTextDocument(QTextDocument& document, const rtf::Document& model) {
    fillTextDocument(document, rtf::Document(model));
}

}  // namespace kodrix
