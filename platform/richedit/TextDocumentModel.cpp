// A QTextDocument's content as the rich-text model (modelOfTextDocument),
// leaving out what the view added for its own sake.
#include "TextDocumentConversion.h"
#include "TextDocumentFormats.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace kodrix {
namespace {

using namespace textdoc;

int twips(double pixels) { return static_cast<int>(std::lround(std::clamp(pixels * kTwipsPerPixel, -1e9, 1e9))); }

class ModelBuilder {
public:
    explicit ModelBuilder(const QTextDocument& doc) : doc_(doc) {}

    rtf::Document build() {
        model_.paragraphs.clear();
        model_.defaultTabWidth = std::max(1, twips(doc_.defaultTextOption().tabStopDistance()));
        for (QTextBlock block = doc_.begin(); block.isValid(); block = block.next()) {
            const QTextBlockFormat format = block.blockFormat();
            if (format.hasProperty(kFillerProperty)) continue;
            rtf::CellPlace place;
            if (QTextTable* table = QTextCursor(block).currentTable()) {
                const QTextTableCell cell = table->cellAt(block.position());
                if (cell.format().hasProperty(kFillerProperty)) continue;
                place = placeOf(*table, cell);
            }
            const int continuation = format.intProperty(kContinuationProperty);
            if (continuation && !model_.paragraphs.empty()) {
                // The rest of the paragraph before: its space after is this block's.
                rtf::Paragraph& p = model_.paragraphs.back();
                if (continuation == kContinuesAfterLineBreak) rtf::appendText(p, std::u16string(1, rtf::kLineBreak), p.markFormat);
                p.format.spaceAfter = twips(format.bottomMargin());
                p.markFormat = charFormat(block.charFormat());
                runs(block, p);
                continue;
            }
            rtf::Paragraph& p = model_.paragraphs.emplace_back();
            p.format = paraFormat(format);
            p.markFormat = charFormat(block.charFormat());
            p.place = place;
            runs(block, p);
        }
        if (model_.paragraphs.empty()) model_.paragraphs.emplace_back();
        return std::move(model_);
    }

private:
    void runs(const QTextBlock& block, rtf::Paragraph& p) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat f = fragment.charFormat();
            if (f.isImageFormat()) {
                const int index = picture(f.toImageFormat());
                for (int n = 0; index >= 0 && n < fragment.length(); ++n) p.runs.push_back({{}, charFormat(f), index});
            } else {
                rtf::appendText(p, toU16(fragment.text()), charFormat(f));
            }
        }
    }

    static rtf::ParaFormat paraFormat(const QTextBlockFormat& b) {
        rtf::ParaFormat f;
        const Qt::Alignment a = b.alignment();
        if (a & Qt::AlignHCenter) f.alignment = rtf::Alignment::Center;
        else if (a & Qt::AlignRight) f.alignment = rtf::Alignment::Right;
        else if (a & Qt::AlignJustify) f.alignment = rtf::Alignment::Justify;
        f.leftIndent = twips(b.leftMargin());
        f.rightIndent = twips(b.rightMargin());
        f.firstLineIndent = twips(b.textIndent());
        f.spaceBefore = twips(b.topMargin());
        f.spaceAfter = twips(b.bottomMargin());
        const bool implied = b.boolProperty(kImpliedTabProperty);
        const double lineStart = b.leftMargin() + b.textIndent();  // where Qt counts tab stops from
        for (const QTextOption::Tab& t : b.tabPositions()) {
            if (implied && std::abs(t.position + lineStart - b.leftMargin()) < 0.01) continue;  // RTF implies it
            rtf::TabKind kind = rtf::TabKind::Left;
            if (t.type == QTextOption::CenterTab) kind = rtf::TabKind::Center;
            else if (t.type == QTextOption::RightTab) kind = rtf::TabKind::Right;
            else if (t.type == QTextOption::DelimiterTab) kind = rtf::TabKind::Decimal;
            f.tabs.push_back({twips(t.position + lineStart), kind});
        }
        return f;
    }

    int fontIndex(const QString& family) {
        const std::u16string name = toU16(family);
        for (std::size_t i = 0; i < model_.fonts.size(); ++i)
            if (model_.fonts[i].name == name) return static_cast<int>(i);
        model_.fonts.push_back(rtf::Font{name, 204, 0});
        return static_cast<int>(model_.fonts.size() - 1);
    }

    int colorIndex(const QBrush& brush) {
        if (brush.style() == Qt::NoBrush) return -1;
        const QColor c = brush.color().toRgb();
        const rtf::Color rc{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                            static_cast<std::uint8_t>(c.blue())};
        const auto it = std::find(model_.colors.begin(), model_.colors.end(), rc);
        if (it != model_.colors.end()) return static_cast<int>(it - model_.colors.begin());
        model_.colors.push_back(rc);
        return static_cast<int>(model_.colors.size() - 1);
    }

    rtf::CharFormat charFormat(const QTextCharFormat& q) {
        rtf::CharFormat f;
        QString family;
        if (q.hasProperty(QTextFormat::FontFamilies)) family = q.fontFamilies().toStringList().value(0);
        else if (q.hasProperty(QTextFormat::FontFamily)) family = q.property(QTextFormat::FontFamily).toString();
        if (!family.isEmpty()) f.font = fontIndex(family);
        if (q.hasProperty(QTextFormat::FontPointSize))
            f.halfPoints = std::clamp(static_cast<int>(std::lround(q.fontPointSize() * 2)), 0, 3276);
        // Styles the text does not set are those of the document's font (the
        // view's font, in a plain-text view): the RTF writes what is shown.
        const QFont base = doc_.defaultFont();
        f.bold = (q.hasProperty(QTextFormat::FontWeight) ? q.fontWeight() : base.weight()) >= QFont::DemiBold;
        f.italic = q.hasProperty(QTextFormat::FontItalic) ? q.fontItalic() : base.italic();
        f.underline = q.hasProperty(QTextFormat::TextUnderlineStyle) || q.hasProperty(QTextFormat::FontUnderline)
                          ? q.fontUnderline()
                          : base.underline();
        f.strikeOut = q.hasProperty(QTextFormat::FontStrikeOut) ? q.fontStrikeOut() : base.strikeOut();
        if (q.hasProperty(QTextFormat::ForegroundBrush)) f.foreground = colorIndex(q.foreground());
        if (q.hasProperty(QTextFormat::BackgroundBrush)) f.background = colorIndex(q.background());
        return f;
    }

    // The picture of an image format: its file bytes as read, else the
    // document's image resource encoded as PNG. -1 when there is none.
    int picture(const QTextImageFormat& image) {
        QByteArray bytes = image.property(kPictureBytesProperty).toByteArray();
        if (bytes.isEmpty()) {
            const QVariant resource = doc_.resource(QTextDocument::ImageResource, QUrl(image.name()));
            QImage decoded;
            if (resource.userType() == QMetaType::QImage) decoded = resource.value<QImage>();
            else if (resource.userType() == QMetaType::QPixmap) decoded = resource.value<QPixmap>().toImage();
            else if (resource.userType() == QMetaType::QByteArray) decoded.loadFromData(resource.toByteArray());
            if (decoded.isNull()) return -1;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            decoded.save(&buffer, "PNG");
        }
        rtf::Picture p;
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
        p.bytes.assign(data, data + bytes.size());
        p.kind = bytes.startsWith("\x89PNG") ? rtf::Picture::Kind::Png : rtf::Picture::Kind::Jpeg;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        const QSize natural = QImageReader(&buffer).size();
        if (natural.isValid()) {
            p.widthPixels = natural.width();
            p.heightPixels = natural.height();
        }
        if (image.width() > 0) p.goalWidth = twips(image.width());
        if (image.height() > 0) p.goalHeight = twips(image.height());
        model_.pictures.push_back(std::move(p));
        return static_cast<int>(model_.pictures.size() - 1);
    }

    // --- tables -----------------------------------------------------------

    // The place of a cell: each QTextTable is a table of the model, its rows
    // defined by its column widths and cell formats.
    rtf::CellPlace placeOf(QTextTable& table, const QTextTableCell& cell) {
        if (&table != table_) {
            table_ = &table;
            tableIndex_ = static_cast<int>(model_.tables.size());
            model_.tables.push_back(defineRows(table));
        }
        const auto& row = cellIndex_[static_cast<std::size_t>(cell.row())];
        const auto it = std::find(row.begin(), row.end(), cell.column());
        return {tableIndex_, cell.row(), static_cast<int>(it - row.begin())};
    }

    rtf::Table defineRows(const QTextTable& table) {
        const QTextTableFormat format = table.format();
        std::vector<double> edges{format.hasProperty(kTableLeftEdgeProperty)
                                      ? format.intProperty(kTableLeftEdgeProperty) / kTwipsPerPixel
                                      : format.leftMargin()};
        const QList<QTextLength> widths = format.columnWidthConstraints();
        for (int c = 0; c < table.columns(); ++c) {
            const bool fixed = c < widths.size() && widths[c].type() == QTextLength::FixedLength;
            edges.push_back(edges.back() + (fixed ? widths[c].rawValue() : 1440 / kTwipsPerPixel));
        }
        rtf::Table t;
        cellIndex_.assign(static_cast<std::size_t>(table.rows()), {});
        for (int r = 0; r < table.rows(); ++r) {
            rtf::RowDefinition row;
            for (int c = 0; c < table.columns(); ++c) {
                const QTextTableCell cell = table.cellAt(r, c);
                if (cell.row() != r || cell.column() != c || cell.format().hasProperty(kFillerProperty)) continue;
                if (row.cells.empty()) row.leftEdge = twips(edges[static_cast<std::size_t>(c)]);
                row.cells.push_back(cellOf(cell.format().toTableCellFormat(),
                                           twips(edges[static_cast<std::size_t>(c + cell.columnSpan())])));
                cellIndex_[static_cast<std::size_t>(r)].push_back(c);
            }
            auto& definitions = model_.rowDefinitions;
            if (definitions.empty() || !(definitions.back() == row)) definitions.push_back(std::move(row));
            t.rows.push_back(static_cast<int>(definitions.size()) - 1);
        }
        return t;
    }

    rtf::Cell cellOf(const QTextTableCellFormat& f, int rightEdge) {
        rtf::Cell c;
        c.rightEdge = rightEdge;
        auto border = [this](double width, QTextFrameFormat::BorderStyle style, const QBrush& brush) {
            rtf::Border b;
            if (width <= 0 || style == QTextFrameFormat::BorderStyle_None) return b;
            b.style = style == QTextFrameFormat::BorderStyle_Double   ? rtf::BorderStyle::Double
                      : style == QTextFrameFormat::BorderStyle_Dotted ? rtf::BorderStyle::Dotted
                      : style == QTextFrameFormat::BorderStyle_Dashed ? rtf::BorderStyle::Dashed
                                                                       : rtf::BorderStyle::Solid;
            b.width = twips(width);
            b.color = colorIndex(brush);
            return b;
        };
        c.top = border(f.topBorder(), f.topBorderStyle(), f.topBorderBrush());
        c.left = border(f.leftBorder(), f.leftBorderStyle(), f.leftBorderBrush());
        c.bottom = border(f.bottomBorder(), f.bottomBorderStyle(), f.bottomBorderBrush());
        c.right = border(f.rightBorder(), f.rightBorderStyle(), f.rightBorderBrush());
        if (f.hasProperty(QTextFormat::BackgroundBrush)) c.background = colorIndex(f.background());
        c.padLeft = twips(f.leftPadding());
        c.padTop = twips(f.topPadding());
        c.padRight = twips(f.rightPadding());
        c.padBottom = twips(f.bottomPadding());
        return c;
    }

    const QTextDocument& doc_;
    rtf::Document model_;
    const QTextTable* table_ = nullptr;  // the table the last cell stood in
    int tableIndex_ = -1;
    std::vector<std::vector<int>> cellIndex_;  // per row of that table, the columns its cells start at
};

}  // namespace

rtf::Document modelOfTextDocument(const QTextDocument& document) { return ModelBuilder(document).build(); }

}  // namespace kodrix
