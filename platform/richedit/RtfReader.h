#pragma once
// Reading documents for the rich-text views: the RTF reader, the plain 16-bit
// Unicode reader and the reading rule that tries one after the other. Standard
// C++ only (plus iconv for code pages), so the terminal tool and the fuzz
// target read documents without Qt.
//
// The RTF dialect read: groups and control words with parameters, \'hh, \uN
// with \ucN fallback skipping, \binN, code pages from \ansicpg (1251 when the
// document declares none) and each font's \fcharset or \cpg, the font and
// colour tables, \plain, bold, italic, underline, strike-out, size, font,
// foreground and background colour, paragraphs with alignment, indents and
// spacing and tab stops (\tx with \tqc, \tqr, \tqdec; \deftab), \line, \tab,
// the named special characters, fields (their result text), PNG and JPEG
// pictures (other kinds skipped), tables (rows of \cellx cells with their
// borders, shading and padding; a table inside a cell read flat), and every
// unknown \* destination skipped. A missing final brace is accepted; anything after the document's
// closing brace is ignored. Only data that does not begin with "{\rtf" is an
// error.
#include "RichText.h"
#include "catalogue/Result.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kodrix::rtf {

// Limits that keep hostile documents cheap. Groups nested deeper than
// kMaxGroupDepth are read as if their braces were not there; control words
// longer than kMaxControlWordLength letters are unknown words; parameters
// saturate at ±kMaxParameter. Of the code pages fonts name, the first
// kMaxCodePages distinct ones are honoured; text in others is read in the
// document's code page.
inline constexpr std::size_t kMaxGroupDepth = 512;
inline constexpr std::size_t kMaxControlWordLength = 32;
inline constexpr std::int32_t kMaxParameter = 1'000'000'000;
inline constexpr std::size_t kMaxCodePages = 32;
// The largest walkthrough document the catalogue hands over (a larger
// "File1" is refused as unreadable): reading it, and showing it, costs a few
// times its size in memory.
inline constexpr std::size_t kLargestDocumentBytes = std::size_t{64} << 20;
// A paragraph keeps its first kMaxTabStops tab stops; a table row its first
// kMaxTableCells cells (text of further cells goes to the last).
inline constexpr std::size_t kMaxTabStops = 64;
inline constexpr std::size_t kMaxTableCells = 64;

using Bytes = std::span<const std::uint8_t>;

// RTF. Fails only when the data does not begin with "{\rtf".
Result<Document> readRtf(Bytes bytes);
Result<Document> readRtf(std::string_view bytes);

// Plain 16-bit Unicode text: the bytes as UTF-16LE code units. A leading byte
// order mark FF FE and control characters other than tab are dropped, CR LF, CR and LF end
// paragraphs. An odd number of bytes is an error (the stream ends inside a
// character); no data at all is an empty document.
Result<Document> readUtf16Text(Bytes bytes);

// The reading rule of the rich-text views: RTF; when the RTF reader reports an
// error, the same bytes once more as plain 16-bit Unicode text. Fails when
// both fail (the reason is the second reader's).
Result<Document> readDocument(Bytes bytes);

// The plain text of a document read by that rule (paragraphs joined by lineEnd).
Result<std::u16string> documentPlainText(Bytes bytes, std::u16string_view lineEnd = u"\n");

}  // namespace kodrix::rtf
