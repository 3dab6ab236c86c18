#pragma once
// Automatic link detection of the rich-text views. A link starts with a URL
// scheme (http:, https:, ftp:, file:, mailto:, news:, telnet:, gopher:, nntp:,
// prospero:, wais:) or with www., in any letter case, at the start of the text
// or after a character that is not part of a word (a Latin, Greek or Cyrillic
// letter, a digit or '_'), and runs to the next blank (space, tab, no-break
// space, ideographic space) or line end (CR, LF, U+2028, U+2029), less the
// sentence's punctuation and closing brackets or quotes at its end (. , ; : !
// ? ) ] » " ', as often as they stand there); a closing bracket whose opening
// partner stands inside the link stays. What is left must hold at least one
// character after the prefix. Standard C++ only.
#include <cstddef>
#include <string_view>
#include <vector>

namespace kodrix::rtf {

struct LinkSpan {
    std::size_t start = 0;
    std::size_t length = 0;
    bool operator==(const LinkSpan&) const = default;
};

// The links of one text, in order; they never overlap.
std::vector<LinkSpan> findLinks(std::u16string_view text);

}  // namespace kodrix::rtf
