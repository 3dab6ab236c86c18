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
        for (std::size_t i = 0; i < doc_.paragraphs.size(); ++i) {
            const Paragraph& p = doc_.paragraphs[i];
            paragraphStart(p.format);
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
            if (i + 1 < doc_.paragraphs.size()) out_ += "\\par\r\n";
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
        }
    }

    void paragraphStart(const ParaFormat& f) {
        out_ += "\\pard";
        switch (f.alignment) {
        case Alignment::Left: break;
        case Alignment::Center: out_ += "\\qc"; break;
        case Alignment::Right: out_ += "\\qr"; break;
        case Alignment::Justify: out_ += "\\qj"; break;
        }
        auto number = [this](const char* word, int v) {
            if (v != 0) out_ += std::string("\\") + word + std::to_string(v);
        };
        number("li", f.leftIndent);
        number("ri", f.rightIndent);
        number("fi", f.firstLineIndent);
        number("sb", f.spaceBefore);
        number("sa", f.spaceAfter);
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
        auto number = [this](const char* word, int v, int unset) {
            if (v != unset) out_ += std::string("\\") + word + std::to_string(v);
        };
        number("picw", p.widthPixels, 0);
        number("pich", p.heightPixels, 0);
        number("picwgoal", p.goalWidth, 0);
        number("pichgoal", p.goalHeight, 0);
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
};

}  // namespace

std::string writeRtf(const Document& doc) { return RtfBuilder(doc).build(); }

std::string writePlainText(const Document& doc) { return cp1251::fromUtf16(plainText(doc, u"\r\n")); }

}  // namespace kodrix::rtf
