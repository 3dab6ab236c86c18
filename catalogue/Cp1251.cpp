#include "Cp1251.h"

#include <algorithm>
#include <array>

namespace kodrix::cp1251 {
namespace {

// 0x80..0xBF; 0x98 is undefined in the code page.
constexpr char16_t kHigh[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

struct CaseTables {
    std::array<unsigned char, 256> up{};
    std::array<unsigned char, 256> low{};
    CaseTables() {
        for (int i = 0; i < 256; ++i) up[i] = low[i] = static_cast<unsigned char>(i);
        auto pair = [this](int u, int l) { up[l] = static_cast<unsigned char>(u); low[u] = static_cast<unsigned char>(l); };
        for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
        for (int c = 0xC0; c <= 0xDF; ++c) pair(c, c + 32);
        // The code page's other letters, upper/lower.
        const int others[][2] = {{0xA8, 0xB8}, {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C},
                                 {0x8D, 0x9D}, {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC},
                                 {0xA5, 0xB4}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE}};
        for (const auto& p : others) pair(p[0], p[1]);
    }
};

const CaseTables& cases() {
    static const CaseTables t;
    return t;
}

void appendCodePoint(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

char32_t toUnicode(unsigned char byte) {
    if (byte < 0x80) return byte;
    if (byte >= 0xC0) return 0x0410 + (byte - 0xC0);
    return kHigh[byte - 0x80];
}

unsigned char fromUnicode(char32_t cp) {
    if (cp < 0x80) return static_cast<unsigned char>(cp);
    if (cp >= 0x0410 && cp <= 0x044F) return static_cast<unsigned char>(0xC0 + (cp - 0x0410));
    for (int i = 0; i < 64; ++i)
        if (kHigh[i] == cp && cp != 0xFFFD) return static_cast<unsigned char>(0x80 + i);
    return '?';
}

void appendUtf8(std::string& out, std::string_view s) {
    // Each byte's UTF-8 form, made once: long lists are written a name at a time.
    struct Form {
        unsigned char size;
        char bytes[3];
    };
    static const std::array<Form, 256> forms = [] {
        std::array<Form, 256> t{};
        for (int b = 0; b < 256; ++b) {
            std::string one;
            appendCodePoint(one, toUnicode(static_cast<unsigned char>(b)));
            t[b].size = static_cast<unsigned char>(one.size());
            for (std::size_t i = 0; i < one.size(); ++i) t[b].bytes[i] = one[i];
        }
        return t;
    }();
    // Text in ASCII, most names, is its own UTF-8.
    if (std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        out.append(s);
        return;
    }
    const std::size_t start = out.size();
    out.resize(start + 3 * s.size());
    char* p = out.data() + start;
    for (unsigned char b : s) {
        const Form& f = forms[b];
        p[0] = f.bytes[0];
        p[1] = f.bytes[1];
        p[2] = f.bytes[2];
        p += f.size;
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
}

std::string toUtf8(std::string_view s) {
    std::string out;
    appendUtf8(out, s);
    return out;
}

std::string utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        appendCodePoint(out, c);
    }
    return out;
}

std::u16string toUtf16(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    for (unsigned char b : s) out.push_back(static_cast<char16_t>(toUnicode(b)));
    return out;
}

std::string fromUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        int len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
        char32_t cp = len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
        bool valid = len != 0 && i + len <= s.size();
        for (int k = 1; valid && k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) valid = false;
            else cp = (cp << 6) | (cc & 0x3F);
        }
        if (valid && ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))))
            valid = false;
        if (!valid) {
            out.push_back('?');
            ++i;  // resynchronise on the next byte
            while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
            continue;
        }
        out.push_back(static_cast<char>(fromUnicode(cp)));
        i += len;
    }
    return out;
}

std::optional<std::string> fromUtf8Exact(std::string_view utf8) {
    std::string out = fromUtf8(utf8);
    // Every '?' put in for what the code page cannot hold makes the text
    // differ from the original once converted back.
    if (toUtf8(out) != utf8) return std::nullopt;
    return out;
}

std::string fromUtf16(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        char16_t u = s[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            ++i;  // a character beyond the BMP has no place in the code page
            out.push_back('?');
            continue;
        }
        out.push_back(static_cast<char>(fromUnicode(u)));
    }
    return out;
}

unsigned char toUpper(unsigned char b) { return cases().up[b]; }
unsigned char toLower(unsigned char b) { return cases().low[b]; }

void upperInPlace(std::string& s) {
    const auto& up = cases().up;
    for (auto& c : s) c = static_cast<char>(up[static_cast<unsigned char>(c)]);
}

std::string upper(std::string_view s) {
    std::string out(s);
    upperInPlace(out);
    return out;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (auto& c : out) c = static_cast<char>(toLower(static_cast<unsigned char>(c)));
    return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (toUpper(static_cast<unsigned char>(a[i])) != toUpper(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

bool lowerStartsWith(std::string_view text, std::string_view loweredPrefix) {
    if (text.size() < loweredPrefix.size()) return false;
    for (std::size_t k = 0; k < loweredPrefix.size(); ++k)
        if (toLower(static_cast<unsigned char>(text[k])) != static_cast<unsigned char>(loweredPrefix[k])) return false;
    return true;
}

bool isCyrillicCapital(unsigned char b) { return (b >= 0xC0 && b <= 0xDF) || b == 0xA8; }

}  // namespace kodrix::cp1251
