#pragma once
// Windows code pages for the RTF reader: the code page an RTF character set
// stands for, and decoding bytes of a code page to UTF-16. Standard C++ and
// the C library's iconv only.
#include <string>
#include <string_view>
#include <unordered_map>

namespace kodrix::rtf {

// The Windows code page of an RTF \fcharset value; 0 when the character set
// names none (DEFAULT_CHARSET, SYMBOL_CHARSET, unknown values): the
// document's code page applies then.
int codePageOfCharset(int charset);

// Code pages whose characters may take two bytes (the second possibly ASCII):
// their text cannot be cut anywhere.
bool isDoubleByteCodePage(int codePage);

// Decodes bytes of a Windows code page. Code page 1251 is built in; every
// other code page goes through iconv, its descriptor opened on first use (once
// per code page, whether iconv knows it or not) and kept for the decoder's
// lifetime. A code page iconv does not know decodes as
// 1252. Bytes the code page does not define become U+FFFD, one per byte.
class CodePageDecoder {
public:
    CodePageDecoder() = default;
    ~CodePageDecoder();
    CodePageDecoder(const CodePageDecoder&) = delete;
    CodePageDecoder& operator=(const CodePageDecoder&) = delete;

    void decode(int codePage, std::string_view bytes, std::u16string& out);

private:
    void* converter(int codePage);  // an iconv_t, or nullptr when unavailable

    struct Converter {
        void* cd;
        bool owned;  // false when it borrows the 1252 converter
    };
    std::unordered_map<int, Converter> converters_;  // by code page
};

}  // namespace kodrix::rtf
