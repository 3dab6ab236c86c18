#include "CodePages.h"

#include "catalogue/Cp1251.h"

#include <cerrno>
#include <iconv.h>
#include <string>

namespace kodrix::rtf {

int codePageOfCharset(int charset) {
    switch (charset) {
    case 0: return 1252;     // ANSI
    case 77: return 10000;   // Mac Roman
    case 89: return 10007;   // Mac Cyrillic
    case 128: return 932;    // Shift-JIS
    case 129: return 949;    // Hangul
    case 130: return 1361;   // Johab
    case 134: return 936;    // GB2312
    case 136: return 950;    // Big5
    case 161: return 1253;   // Greek
    case 162: return 1254;   // Turkish
    case 163: return 1258;   // Vietnamese
    case 177: return 1255;   // Hebrew
    case 178: return 1256;   // Arabic
    case 186: return 1257;   // Baltic
    case 204: return 1251;   // Russian
    case 222: return 874;    // Thai
    case 238: return 1250;   // Eastern European
    case 254: return 437;    // PC 437
    case 255: return 850;    // OEM
    default: return 0;
    }
}

bool isDoubleByteCodePage(int codePage) {
    switch (codePage) {
    case 932: case 936: case 949: case 950: case 1361: case 54936:
    case 10001: case 10002: case 10003: case 10008:
        return true;
    default:
        return false;
    }
}

namespace {

std::string iconvName(int codePage) {
    switch (codePage) {
    case 10000: return "MACINTOSH";
    case 10007: return "MAC-CYRILLIC";
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 54936: return "GB18030";
    case 65001: return "UTF-8";
    default: break;
    }
    if (codePage >= 28591 && codePage <= 28605) return "ISO-8859-" + std::to_string(codePage - 28590);
    return "CP" + std::to_string(codePage);
}

}  // namespace

CodePageDecoder::~CodePageDecoder() {
    for (const auto& [codePage, c] : converters_)
        if (c.owned) iconv_close(static_cast<iconv_t>(c.cd));
}

void* CodePageDecoder::converter(int codePage) {
    if (const auto it = converters_.find(codePage); it != converters_.end()) return it->second.cd;
    iconv_t cd = iconv_open("UTF-16LE", iconvName(codePage).c_str());
    if (cd != reinterpret_cast<iconv_t>(-1)) {
        converters_.emplace(codePage, Converter{cd, true});
        return cd;
    }
    void* fallback = codePage == 1252 ? nullptr : converter(1252);
    converters_.emplace(codePage, Converter{fallback, false});
    return fallback;
}

void CodePageDecoder::decode(int codePage, std::string_view bytes, std::u16string& out) {
    if (codePage == 1251) {
        for (unsigned char b : bytes) out += static_cast<char16_t>(cp1251::toUnicode(b));
        return;
    }
    auto cd = static_cast<iconv_t>(converter(codePage));
    if (!cd) {  // not even 1252 available: Latin-1
        for (unsigned char b : bytes) out += static_cast<char16_t>(b);
        return;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char buffer[1024];
    auto flushBuffer = [&](const char* end) {
        for (const char* p = buffer; p + 1 < end; p += 2)
            out += static_cast<char16_t>(static_cast<unsigned char>(p[0]) | (static_cast<unsigned char>(p[1]) << 8));
    };
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (true) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t r = inLeft ? iconv(cd, &in, &inLeft, &outPtr, &outLeft)
                                     : iconv(cd, nullptr, nullptr, &outPtr, &outLeft);  // flush held state
        flushBuffer(outPtr);
        if (r != static_cast<std::size_t>(-1)) {
            if (inLeft == 0 && outPtr == buffer) break;
            continue;
        }
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL (a lead byte without its second byte at the end)
        if (inLeft == 0) break;
        out += u'\uFFFD';
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
}

}  // namespace kodrix::rtf
