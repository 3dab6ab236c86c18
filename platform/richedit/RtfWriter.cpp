#include "RtfWriter.h"

#include "catalogue/Cp1251.h"

#include <map>
#include <vector>

namespace kodrix::rtf {
namespace {

class RtfBuilder {
public:
    explicit RtfBuilder(const Document& doc) : doc_(doc) { collectTables(); }

    std::string build() {
        out_ = "{\\rtf1\\ansi\\ansicpg1251\\uc1\r\n{\\fonttbl";
        for (std::size_t i = 0; i < fonts_.size(); ++i) {
            out_ += "{\\f" + std::to_string(i) + "\\fnil\\fcharset204 ";
            // ';' ends a font table entry: escaped, it stays part of the name.
            for (char16_t c : doc_.fonts[static_cast<std::size_t>(fonts_[i])].name) {
                if (c == u';') out_ += "\\'3b";
                else putChar(c);
            }
            out_ += ";}";
        }
        out_ += "}\r\n{\\colortbl ;";
        for (int index : colors_) {
            const Color& c = doc_.colors[static_cast<std::size_t>(index)];
            out_ += "\\red" + std::to_string(c.red) + "\\green" + std::to_string(c.green) + "\\blue" +
                    std::to_string(c.blue) + ";";
        }
        out_ += "}\r\n";
        if (doc_.defaultTabWidth != kDefaultTabWidth) out_ += "\\deftab" + std::to_string(doc_.defaultTabWidth) + "\r\n";
        const Paragraph* previous = nullptr;
        for (std::size_t i = 0; i < doc_.paragraphs.size(); ++i) {
            const Paragraph& p = doc_.paragraphs[i];
            const Paragraph* next = i + 1 < doc_.paragraphs.size() ? &doc_.paragraphs[i + 1] : nullptr;
            const CellPlace& place = p.place;
            if (place.table >= 0) {
                if (!previous || !sameRow(previous->place, place)) {
                    rowDefinition(place);
                    cellsEnded_ = 0;
                }
                for (; cellsEnded_ < place.cell; ++cellsEnded_) out_ += "\\pard\\intbl\\cell\r\n";
            }
            previous = &p;
            paragraphStart(p.format, place.table >= 0);
            for (const Run& r : p.runs) {
                if (r.isPicture()) {
                    picture(doc_.pictures[static_cast<std::size_t>(r.picture)]);
                    continue;
                }
                setFormat(r.format);
                for (char16_t c : r.text) putChar(c);
            }
            // An empty paragraph keeps the format of its mark (the height of an empty line).
            if (p.runs.empty()) setFormat(p.markFormat);
            paragraphEnd(p, next);
        }
        out_ += "}";
        return std::move(out_);
    }

private:
    void use(const CharFormat& f) {
        auto add = [](std::map<int, int>& map, std::vector<int>& list, int index, std::size_t size) {
            if (index < 0 || static_cast<std::size_t>(index) >= size || map.count(index)) return;
            map[index] = static_cast<int>(list.size());
            list.push_back(index);
        };
        add(fontNumber_, fonts_, f.font, doc_.fonts.size());
        add(colorNumber_, colors_, f.foreground, doc_.colors.size());
        add(colorNumber_, colors_, f.background, doc_.colors.size());
    }

    void collectTables() {
        for (const Paragraph& p : doc_.paragraphs) {
            for (const Run& r : p.runs) use(r.format);
            if (p.runs.empty()) use(p.markFormat);
            if (const RowDefinition* row = definitionOf(p.place)) {
                for (const Cell& c : row->cells) {
                    for (const Border* b : {&c.top, &c.left, &c.bottom, &c.right}) useColor(b->color);
                    useColor(c.background);
                }
            }
        }
    }

    void useColor(int index) { use(CharFormat{.foreground = index}); }

    static bool sameRow(const CellPlace& a, const CellPlace& b) { return a.table == b.table && a.row == b.row; }

    // The definition of the row a paragraph stands in, if it has one.
    const RowDefinition* definitionOf(const CellPlace& place) const {
        if (place.table < 0 || static_cast<std::size_t>(place.table) >= doc_.tables.size()) return nullptr;
        const Table& table = doc_.tables[static_cast<std::size_t>(place.table)];
        if (place.row < 0 || static_cast<std::size_t>(place.row) >= table.rows.size()) return nullptr;
        const int index = table.rows[static_cast<std::size_t>(place.row)];
        if (index < 0 || static_cast<std::size_t>(index) >= doc_.rowDefinitions.size()) return nullptr;
        return &doc_.rowDefinitions[static_cast<std::size_t>(index)];
    }

    // A row that \row ended when it was read: one the table lists.
    bool rowEnded(const CellPlace& place) const {
        return place.table >= 0 && static_cast<std::size_t>(place.table) < doc_.tables.size() && place.row >= 0 &&
               static_cast<std::size_t>(place.row) < doc_.tables[static_cast<std::size_t>(place.table)].rows.size();
    }

    void rowDefinition(const CellPlace& place) {
        out_ += "\\trowd";
        const RowDefinition* row = definitionOf(place);
        if (!row) {
            out_ += "\r\n";
            return;
        }
        number("trleft", row->leftEdge);
        for (const Cell& c : row->cells) {
            border("clbrdrt", c.top);
            border("clbrdrl", c.left);
            border("clbrdrb", c.bottom);
            border("clbrdrr", c.right);
            if (auto it = colorNumber_.find(c.background); it != colorNumber_.end())
                out_ += "\\clcbpat" + std::to_string(it->second + 1);
            padding("l", c.padLeft);
            padding("t", c.padTop);
            padding("r", c.padRight);
            padding("b", c.padBottom);
            out_ += "\\cellx" + std::to_string(c.rightEdge);
        }
        out_ += "\r\n";
    }

    void border(const char* side, const Border& b) {
        const char* style = nullptr;
        switch (b.style) {
        case BorderStyle::None: return;
        case BorderStyle::Solid: style = "\\brdrs"; break;
        case BorderStyle::Double: style = "\\brdrdb"; break;
        case BorderStyle::Dotted: style = "\\brdrdot"; break;
        case BorderStyle::Dashed: style = "\\brdrdash"; break;
        }
        out_ += std::string("\\") + side + style;
        number("brdrw", b.width);
        if (auto it = colorNumber_.find(b.color); it != colorNumber_.end())
            out_ += "\\brdrcf" + std::to_string(it->second + 1);
    }

    void padding(const char* side, int twips) {
        if (twips != 0) out_ += std::string("\\clpadf") + side + "3\\clpad" + side + std::to_string(twips);
    }

    // A control word with its number, unless the number is the unset value.
    void number(const char* word, int v, int unset = 0) {
        if (v != unset) out_ += std::string("\\") + word + std::to_string(v);
    }

    // What ends a paragraph: \par before the next paragraph of the same cell
    // or outside tables; \cell before the next cell; \cell\row after a row's
    // last paragraph (a row that was never ended stays open).
    void paragraphEnd(const Paragraph& p, const Paragraph* next) {
        const CellPlace& place = p.place;
        if (place.table < 0) {
            if (next) out_ += "\\par\r\n";
            return;
        }
        if (next && next->place == place) {
            out_ += "\\par\r\n";
        } else if (next && sameRow(next->place, place)) {
            out_ += "\\cell\r\n";
            ++cellsEnded_;
        } else if (rowEnded(place)) {
            out_ += "\\cell\\row\r\n";
        } else if (next) {
            out_ += "\\cell\r\n";
        }
    }

    void paragraphStart(const ParaFormat& f, bool inTable) {
        out_ += "\\pard";
        if (inTable) out_ += "\\intbl";
        switch (f.alignment) {
        case Alignment::Left: break;
        case Alignment::Center: out_ += "\\qc"; break;
        case Alignment::Right: out_ += "\\qr"; break;
        case Alignment::Justify: out_ += "\\qj"; break;
        }
        number("li", f.leftIndent);
        number("ri", f.rightIndent);
        number("fi", f.firstLineIndent);
        number("sb", f.spaceBefore);
        number("sa", f.spaceAfter);
        for (const TabStop& t : f.tabs) {
            switch (t.kind) {
            case TabKind::Left: break;
            case TabKind::Center: out_ += "\\tqc"; break;
            case TabKind::Right: out_ += "\\tqr"; break;
            case TabKind::Decimal: out_ += "\\tqdec"; break;
            }
            out_ += "\\tx" + std::to_string(t.position);
        }
        out_ += ' ';
    }

    void setFormat(const CharFormat& f) {
        if (f == written_) return;
        written_ = f;
        out_ += "\\plain";
        if (auto it = fontNumber_.find(f.font); it != fontNumber_.end()) out_ += "\\f" + std::to_string(it->second);
        if (f.halfPoints > 0) out_ += "\\fs" + std::to_string(f.halfPoints);
        if (f.bold) out_ += "\\b";
        if (f.italic) out_ += "\\i";
        if (f.underline) out_ += "\\ul";
        if (f.strikeOut) out_ += "\\strike";
        // Colour numbers count from 1: entry 0 of the table is the automatic colour.
        if (auto it = colorNumber_.find(f.foreground); it != colorNumber_.end())
            out_ += "\\cf" + std::to_string(it->second + 1);
        if (auto it = colorNumber_.find(f.background); it != colorNumber_.end())
            out_ += "\\highlight" + std::to_string(it->second + 1);
        out_ += ' ';
    }

    void putChar(char16_t c) {
        static const char* hex = "0123456789abcdef";
        if (c == u'\\' || c == u'{' || c == u'}') {
            out_ += '\\';
            out_ += static_cast<char>(c);
        } else if (c == kTab) {
            out_ += "\\tab ";
        } else if (c == kLineBreak) {
            out_ += "\\line ";
        } else if (c < 0x20) {
            // control characters are not text
        } else if (c < 0x80) {
            out_ += static_cast<char>(c);
        } else if (const unsigned char b = cp1251::fromUnicode(c); b != '?' && cp1251::toUnicode(b) == c) {
            out_ += "\\'";
            out_ += hex[b >> 4];
            out_ += hex[b & 15];
        } else {
            // \uN takes a signed 16-bit number.
            out_ += "\\u" + std::to_string(c > 32767 ? static_cast<int>(c) - 65536 : static_cast<int>(c)) + "?";
        }
    }

    void picture(const Picture& p) {
        static const char* hex = "0123456789abcdef";
        out_ += p.kind == Picture::Kind::Png ? "{\\pict\\pngblip" : "{\\pict\\jpegblip";
        number("picw", p.widthPixels);
        number("pich", p.heightPixels);
        number("picwgoal", p.goalWidth);
        number("pichgoal", p.goalHeight);
        number("picscalex", p.scaleX, 100);
        number("picscaley", p.scaleY, 100);
        out_ += "\r\n";
        for (std::size_t i = 0; i < p.bytes.size(); ++i) {
            out_ += hex[p.bytes[i] >> 4];
            out_ += hex[p.bytes[i] & 15];
            if (i % 64 == 63) out_ += "\r\n";
        }
        out_ += "}";
    }

    const Document& doc_;
    std::string out_;
    std::vector<int> fonts_, colors_;            // document indexes, in table order
    std::map<int, int> fontNumber_, colorNumber_;  // document index -> table number
    CharFormat written_;                          // the format in force in the output
    int cellsEnded_ = 0;                          // cells of the current row written so far
};

}  // namespace

std::string writeRtf(const Document& doc) { return RtfBuilder(doc).build(); }

std::string writePlainText(const Document& doc) { return cp1251::fromUtf16(plainText(doc, u"\r\n")); }

}  // namespace kodrix::rtf
