#pragma once
// Text at the edge: cp1251 bytes of the catalogue to and from QString.
#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace kodrix {
QString fromCp1251(std::string_view bytes);
// Writes the text of the bytes at out (one character per byte); returns the
// position after it.
QChar* fromCp1251Into(std::string_view bytes, QChar* out);
std::string toCp1251(const QString& text);
// The same when code page 1251 holds the whole text; nullopt when a
// character lies outside it (toCp1251 would make it a '?').
std::optional<std::string> toCp1251Exact(const QString& text);

// Upper case by code page 1251's rules: a character of the code page takes
// the code page's capital (µ has none there and stays µ); any other
// character is left as it is.
QString upperCp1251(const QString& text);
}
