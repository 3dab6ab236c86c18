#pragma once
// Writing documents of the rich-text views: RTF and plain text, both in code
// page 1251. Standard C++ only.
#include "RichText.h"

#include <string>

namespace kodrix::rtf {

// RTF with \ansi\ansicpg1251, a font table and a colour table of what the text
// uses (every font with \fcharset204), character formatting as \plain followed
// by the run's properties, paragraph formatting after each \pard, pictures as
// hexadecimal PNG or JPEG data, and characters outside code page 1251 as \uN
// with '?' as the fallback. Unset properties are not written, so reading the
// result gives back the same document model.
std::string writeRtf(const Document& doc);

// Plain text in code page 1251: paragraphs, and line breaks within them, end
// with CR LF, except the last paragraph, which has no line end; tabs are kept,
// pictures left out, characters outside code page 1251 become '?'.
std::string writePlainText(const Document& doc);

}  // namespace kodrix::rtf
