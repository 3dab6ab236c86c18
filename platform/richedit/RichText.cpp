#include "RichText.h"

#include <algorithm>

namespace kodrix::rtf {

std::u16string plainText(const Document& doc, std::u16string_view lineEnd) {
    std::size_t size = 0;
    for (const Paragraph& p : doc.paragraphs) {
        size += lineEnd.size();
        for (const Run& r : p.runs)
            size += r.text.size() + static_cast<std::size_t>(std::count(r.text.begin(), r.text.end(), kLineBreak)) *
                                        (lineEnd.size() - std::min<std::size_t>(lineEnd.size(), 1));
    }
    std::u16string out;
    out.reserve(size);
    const Paragraph* previous = nullptr;
    for (const Paragraph& p : doc.paragraphs) {
        if (previous) {
            const bool nextCell = p.place.table >= 0 && p.place.table == previous->place.table &&
                                  p.place.row == previous->place.row && p.place.cell != previous->place.cell;
            if (nextCell) out += kTab;
            else out += lineEnd;
        }
        previous = &p;
        for (const Run& r : p.runs) {
            for (char16_t c : r.text) {
                if (c == kLineBreak) out += lineEnd;
                else out += c;
            }
        }
    }
    return out;
}

Document documentFromText(std::u16string_view text) {
    Document doc;
    std::u16string line;
    auto endParagraph = [&] {
        appendText(doc.paragraphs.back(), line, {});
        line.clear();
        doc.paragraphs.emplace_back();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            endParagraph();
        } else if (c == u'\n') {
            endParagraph();
        } else if (c >= 0x20 || c == kTab) {
            line += c;
        }
    }
    appendText(doc.paragraphs.back(), line, {});
    return doc;
}

void appendText(Paragraph& paragraph, std::u16string_view text, const CharFormat& format) {
    if (text.empty()) return;
    if (!paragraph.runs.empty() && !paragraph.runs.back().isPicture() && paragraph.runs.back().format == format) {
        paragraph.runs.back().text += text;
        return;
    }
    paragraph.runs.push_back(Run{std::u16string(text), format, -1});
}

}  // namespace kodrix::rtf
