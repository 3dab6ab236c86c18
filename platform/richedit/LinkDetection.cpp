#include "LinkDetection.h"

namespace kodrix::rtf {
namespace {

constexpr std::u16string_view kPrefixes[] = {
    u"http:", u"https:", u"ftp:", u"file:", u"mailto:", u"news:", u"telnet:", u"gopher:", u"nntp:",
    u"prospero:", u"wais:", u"www.",
};

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\u00A0' || c == u'\u2028' ||
           c == u'\u2029' || c == u'\u3000';
}

bool isWordCharacter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
           (c >= 0x00C0 && c <= 0x024F && c != 0x00D7 && c != 0x00F7) ||  // Latin letters with marks
           (c >= 0x0370 && c <= 0x03FF) || (c >= 0x0400 && c <= 0x052F);    // Greek, Cyrillic
}

char16_t lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// The length of the prefix that starts text at pos, or 0.
std::size_t prefixAt(std::u16string_view text, std::size_t pos) {
    for (std::u16string_view prefix : kPrefixes) {
        if (text.size() - pos < prefix.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < prefix.size() && same; ++i) same = lower(text[pos + i]) == prefix[i];
        if (same) return prefix.size();
    }
    return 0;
}

// Where a link that runs from start to end stops once the sentence's
// punctuation and the closing brackets and quotes around it are left out: a
// closing bracket stays when the link before it holds more of its opening
// partners than of its kind (http://x/Foo_(bar)). One pass over the link.
std::size_t withoutTrailingPunctuation(std::u16string_view text, std::size_t start, std::size_t end) {
    struct Pair {
        char16_t open, close;
        std::ptrdiff_t balance = 0;  // opening less closing brackets in [start, end)
    } pairs[] = {{u'(', u')'}, {u'[', u']'}, {u'\u00AB', u'\u00BB'}};
    for (std::size_t k = start; k < end; ++k)
        for (Pair& p : pairs) p.balance += text[k] == p.open ? 1 : text[k] == p.close ? -1 : 0;
    while (end > start) {
        const char16_t c = text[end - 1];
        bool trailing = c == u'.' || c == u',' || c == u';' || c == u':' || c == u'!' || c == u'?' || c == u'"' ||
                        c == u'\'';
        for (Pair& p : pairs) {
            if (c != p.close) continue;
            if (p.balance + 1 > 0) return end;  // its partner opened inside the link
            ++p.balance;
            trailing = true;
        }
        if (!trailing) break;
        --end;
    }
    return end;
}

}  // namespace

std::vector<LinkSpan> findLinks(std::u16string_view text) {
    std::vector<LinkSpan> links;
    std::size_t i = 0;
    while (i < text.size()) {
        const char16_t c = lower(text[i]);
        const bool mayStart = (i == 0 || !isWordCharacter(text[i - 1])) &&
                              (c == u'h' || c == u'f' || c == u'm' || c == u'n' || c == u't' || c == u'g' ||
                               c == u'p' || c == u'w');
        const std::size_t prefix = mayStart ? prefixAt(text, i) : 0;
        if (prefix == 0 || i + prefix >= text.size() || isBlank(text[i + prefix])) {
            ++i;
            continue;
        }
        std::size_t end = i + prefix;
        while (end < text.size() && !isBlank(text[end])) ++end;
        const std::size_t next = end;
        end = withoutTrailingPunctuation(text, i + prefix, end);
        if (end > i + prefix) links.push_back({i, end - i});
        i = next;
    }
    return links;
}

}  // namespace kodrix::rtf
