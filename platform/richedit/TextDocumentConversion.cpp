#include "TextDocumentConversion.h"

#include "RtfReader.h"
#include "RtfWriter.h"
#include "catalogue/Error.h"
#include "catalogue/Messages.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <tuple>

namespace kodrix {
namespace {

constexpr double kTwipsPerPixel = 15.0;  // 1440 twips per inch at 96 pixels per inch
constexpr int kMaxPictureSide = 16384;
constexpr double kMaxIndent = 1500.0;

QString toQString(const std::u16string& s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }
std::u16string toU16(const QString& s) { return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())); }

auto key(const rtf::CharFormat& f) {
    return std::tuple(f.bold, f.italic, f.underline, f.strikeOut, f.halfPoints, f.font, f.foreground, f.background);
}
struct FormatLess {
    bool operator()(const rtf::CharFormat& a, const rtf::CharFormat& b) const { return key(a) < key(b); }
};

class DocumentFiller {
public:
    DocumentFiller(QTextDocument& doc, const rtf::Document& model) : doc_(doc), model_(model) {}

    void fill() {
        // Cleared inside the edit block, the whole content counts as new: the
        // layout then lays it out lazily, from the top, instead of all at once.
        QTextCursor cursor(&doc_);
        cursor.beginEditBlock();
        doc_.clear();
        bool first = true;
        for (const rtf::Paragraph& p : model_.paragraphs) {
            const QTextBlockFormat block = blockFormat(p.format);
            const QTextCharFormat& mark = charFormat(p.markFormat);
            if (first) {
                cursor.setBlockFormat(block);
                cursor.setBlockCharFormat(mark);
                first = false;
            } else {
                cursor.insertBlock(block, mark);
            }
            for (const rtf::Run& r : p.runs) {
                if (r.isPicture()) {
                    if (const QTextImageFormat* image = picture(r.picture)) cursor.insertImage(*image);
                } else {
                    cursor.insertText(toQString(r.text), charFormat(r.format));
                }
            }
        }
        cursor.endEditBlock();
    }

private:
    static QTextBlockFormat blockFormat(const rtf::ParaFormat& f) {
        QTextBlockFormat b;
        switch (f.alignment) {
        case rtf::Alignment::Left: b.setAlignment(Qt::AlignLeft); break;
        case rtf::Alignment::Center: b.setAlignment(Qt::AlignHCenter); break;
        case rtf::Alignment::Right: b.setAlignment(Qt::AlignRight); break;
        case rtf::Alignment::Justify: b.setAlignment(Qt::AlignJustify); break;
        }
        auto px = [](int twips, double lo) { return std::clamp(twips / kTwipsPerPixel, lo, kMaxIndent); };
        if (f.leftIndent) b.setLeftMargin(px(f.leftIndent, 0));
        if (f.rightIndent) b.setRightMargin(px(f.rightIndent, 0));
        if (f.firstLineIndent) b.setTextIndent(px(f.firstLineIndent, -kMaxIndent));
        if (f.spaceBefore) b.setTopMargin(px(f.spaceBefore, 0));
        if (f.spaceAfter) b.setBottomMargin(px(f.spaceAfter, 0));
        return b;
    }

    QColor color(int index) const {
        const rtf::Color& c = model_.colors[static_cast<std::size_t>(index)];
        return QColor(c.red, c.green, c.blue);
    }

    const QTextCharFormat& charFormat(const rtf::CharFormat& f) {
        auto it = formats_.find(f);
        if (it != formats_.end()) return it->second;
        QTextCharFormat q;
        if (f.font >= 0 && static_cast<std::size_t>(f.font) < model_.fonts.size())
            q.setFontFamilies(QStringList{toQString(model_.fonts[static_cast<std::size_t>(f.font)].name)});
        if (f.halfPoints > 0) q.setFontPointSize(f.halfPoints / 2.0);
        // The styles are always the document's own (unset ones RTF's plain
        // text): the view's font gives a document only the face and size it
        // names none for.
        q.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
        q.setFontItalic(f.italic);
        q.setFontUnderline(f.underline);
        q.setFontStrikeOut(f.strikeOut);
        if (f.foreground >= 0 && static_cast<std::size_t>(f.foreground) < model_.colors.size())
            q.setForeground(color(f.foreground));
        if (f.background >= 0 && static_cast<std::size_t>(f.background) < model_.colors.size())
            q.setBackground(color(f.background));
        return formats_.emplace(f, q).first->second;
    }

    // The image format of a picture, or nullptr when Qt cannot read it.
    const QTextImageFormat* picture(int index) {
        auto it = pictures_.find(index);
        if (it != pictures_.end()) return it->second ? &*it->second : nullptr;
        std::optional<QTextImageFormat>& slot = pictures_[index];
        const rtf::Picture& p = model_.pictures[static_cast<std::size_t>(index)];
        const QByteArray bytes(reinterpret_cast<const char*>(p.bytes.data()), static_cast<qsizetype>(p.bytes.size()));
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
        static std::atomic<unsigned> counter{0};
        const QString name = QStringLiteral("kodrix-picture:%1").arg(++counter);
        doc_.addResource(QTextDocument::ImageResource, QUrl(name), bytes);
        QTextImageFormat image;
        image.setName(name);
        image.setWidth(side(p.goalWidth, natural.width(), p.scaleX));
        image.setHeight(side(p.goalHeight, natural.height(), p.scaleY));
        image.setProperty(kPictureBytesProperty, bytes);
        slot = image;
        return &*slot;
    }

    QTextDocument& doc_;
    const rtf::Document& model_;
    std::map<rtf::CharFormat, QTextCharFormat, FormatLess> formats_;
    std::map<int, std::optional<QTextImageFormat>> pictures_;
};

class ModelBuilder {
public:
    explicit ModelBuilder(const QTextDocument& doc) : doc_(doc) {}

    rtf::Document build() {
        model_.paragraphs.clear();
        for (QTextBlock block = doc_.begin(); block.isValid(); block = block.next()) {
            rtf::Paragraph& p = model_.paragraphs.emplace_back();
            p.format = paraFormat(block.blockFormat());
            p.markFormat = charFormat(block.charFormat());
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
        if (model_.paragraphs.empty()) model_.paragraphs.emplace_back();
        return std::move(model_);
    }

private:
    static int twips(double pixels) {
        return static_cast<int>(std::lround(std::clamp(pixels * kTwipsPerPixel, -1e9, 1e9)));
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

    const QTextDocument& doc_;
    rtf::Document model_;
};

}  // namespace

void fillTextDocument(QTextDocument& document, const rtf::Document& model) { DocumentFiller(document, model).fill(); }

rtf::Document modelOfTextDocument(const QTextDocument& document) { return ModelBuilder(document).build(); }

void loadDocument(QTextDocument& document, QByteArrayView bytes) {
    const auto model = rtf::readDocument({reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<std::size_t>(bytes.size())});
    if (!model) throw Error(messages::failedToLoadStream());
    fillTextDocument(document, *model);
}

QByteArray rtfOfDocument(const QTextDocument& document) {
    return QByteArray::fromStdString(rtf::writeRtf(modelOfTextDocument(document)));
}

QByteArray plainTextOfDocument(const QTextDocument& document) {
    return QByteArray::fromStdString(rtf::writePlainText(modelOfTextDocument(document)));
}

}  // namespace kodrix
