#include "Text.h"

#include "catalogue/Cp1251.h"

#include <array>

namespace kodrix {

QChar* fromCp1251Into(std::string_view bytes, QChar* out) {
    // One table for the code page: code texts of thousands of lines are converted at a time.
    static const auto table = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b) t[b] = static_cast<char16_t>(cp1251::toUnicode(static_cast<unsigned char>(b)));
        return t;
    }();
    for (unsigned char b : bytes) *out++ = QChar(table[b]);
    return out;
}

QString fromCp1251(std::string_view bytes) {
    QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    fromCp1251Into(bytes, out.data());
    return out;
}

std::string toCp1251(const QString& text) {
    return cp1251::fromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                 static_cast<std::size_t>(text.size())));
}

std::optional<std::string> toCp1251Exact(const QString& text) {
    std::string out = toCp1251(text);
    if (fromCp1251(out) != text) return std::nullopt;
    return out;
}

QString upperCp1251(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const unsigned char b = cp1251::fromUnicode(c.unicode());
        if (b == '?' && c != QLatin1Char('?')) continue;  // not in the code page
        c = QChar(static_cast<char16_t>(cp1251::toUnicode(cp1251::toUpper(b))));
    }
    return out;
}

}  // namespace kodrix
