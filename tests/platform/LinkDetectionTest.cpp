#include "platform/richedit/LinkDetection.h"

#include <QString>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kodrix::rtf;

namespace {
std::vector<std::string> links(const char* utf8) {
    const QString text = QString::fromUtf8(utf8);
    const std::u16string_view view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
    std::vector<std::string> out;
    for (const LinkSpan& s : findLinks(view))
        out.push_back(text.mid(static_cast<qsizetype>(s.start), static_cast<qsizetype>(s.length)).toStdString());
    return out;
}
using L = std::vector<std::string>;
}  // namespace

TEST(LinkDetection, SchemesAndWwwToTheNextBlankOrLineEnd) {
    struct Case {
        const char* text;
        L links;
    } cases[] = {
        {"", {}},
        {"no links here", {}},
        {"see http://example.com/a?b=1 now", {"http://example.com/a?b=1"}},
        {"www.1", {"www.1"}},
        {"Скриншот: www.12.", {"www.12"}},
        {"WWW.Site.RU and HTTPS://X", {"WWW.Site.RU", "HTTPS://X"}},
        {"mailto:a@b.c, ftp://f", {"mailto:a@b.c", "ftp://f"}},
        {"file:///c:/x news:comp nntp:g telnet:h gopher:i prospero:j wais:k",
         {"file:///c:/x", "news:comp", "nntp:g", "telnet:h", "gopher:i", "prospero:j", "wais:k"}},
        // The prefix alone is no link.
        {"www. http: https:", {}},
        {"www.", {}},
        // Inside a word, no link starts; after punctuation, one does.
        {"xhttp://a ещёwww.b www_x wwwx.y", {}},
        {"(www.a) \"http://b\"", {"www.a", "http://b"}},
        // Blanks and line ends end a link: tab, no-break space, line separator, CR, LF.
        {"a\twww.b\tc", {"www.b"}},
        {"www.a\u00A0b www.c\u2028www.d\rwww.e\nx", {"www.a", "www.c", "www.d", "www.e"}},
        // A scheme inside a link does not start another.
        {"http://a/www.b", {"http://a/www.b"}},
        {"mailbox:x httpx://y", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(links(c.text), c.links) << c.text;
}

TEST(LinkDetection, SentencePunctuationAndClosingBracketsEndingALinkAreLeftOut) {
    struct Case {
        const char* text;
        L links;
    } cases[] = {
        {"Вид на маяк: www.1.", {"www.1"}},
        {"www.1, www.2; www.3: www.4! www.5? www.6...", {"www.1", "www.2", "www.3", "www.4", "www.5", "www.6"}},
        {"(www.1) [www.2] «www.3» \"www.4\" 'www.5'", {"www.1", "www.2", "www.3", "www.4", "www.5"}},
        {"(см. www.7).", {"www.7"}},
        {"www.8.)\"»", {"www.8"}},
        // Inside a link, full stops and the rest stay; a bracket opened inside keeps its partner.
        {"http://a.b/c.d?e=f;g:h!i", {"http://a.b/c.d?e=f;g:h!i"}},
        {"http://en.example.org/wiki/Foo_(bar)", {"http://en.example.org/wiki/Foo_(bar)"}},
        {"(http://en.example.org/wiki/Foo_(bar)).", {"http://en.example.org/wiki/Foo_(bar)"}},
        {"[www.a/x[1]]", {"www.a/x[1]"}},
        {"www.a/«b» ", {"www.a/«b»"}},
        {"www.a/(b)c)", {"www.a/(b)c"}},
        // Nothing left after the prefix: no link.
        {"www.. http:.", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(links(c.text), c.links) << c.text;
}
