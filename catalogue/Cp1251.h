#pragma once
// Code page 1251 (Windows Cyrillic): conversions to and from Unicode and the
// locale's upper/lower case rules. Every name and line inside the catalogue is
// a std::string of cp1251 bytes; text becomes Unicode only at the edge.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kodrix::cp1251 {

// One byte to its Unicode code point. The undefined byte 0x98 maps to U+FFFD.
char32_t toUnicode(unsigned char byte);
// One code point to its byte; unmappable characters give '?'.
unsigned char fromUnicode(char32_t codePoint);

std::string toUtf8(std::string_view cp1251);
// Appends the UTF-8 form of cp1251 text to out.
void appendUtf8(std::string& out, std::string_view cp1251);
std::u16string toUtf16(std::string_view cp1251);
// Invalid UTF-8 sequences and unmappable characters each become one '?'.
std::string fromUtf8(std::string_view utf8);
// The same when code page 1251 holds the whole text; nullopt when a
// character lies outside it or the bytes are not UTF-8.
std::optional<std::string> fromUtf8Exact(std::string_view utf8);
// Unpaired surrogates and unmappable characters become '?'.
std::string fromUtf16(std::u16string_view utf16);

// UTF-16 text as UTF-8, every character kept (an unpaired surrogate becomes
// U+FFFD): how documents read as Unicode reach the terminal.
std::string utf16ToUtf8(std::u16string_view utf16);

unsigned char toUpper(unsigned char byte);
unsigned char toLower(unsigned char byte);
std::string upper(std::string_view cp1251);
void upperInPlace(std::string& cp1251);
std::string lower(std::string_view cp1251);
bool equalsIgnoreCase(std::string_view a, std::string_view b);
// Whether text begins with loweredPrefix once lower-cased (the find boxes'
// prefix match: loweredPrefix is lower(typed text)); a shorter text never does.
bool lowerStartsWith(std::string_view text, std::string_view loweredPrefix);

// Cyrillic capital letters А..Я (0xC0..0xDF) and Ё (0xA8).
bool isCyrillicCapital(unsigned char byte);

}  // namespace kodrix::cp1251
