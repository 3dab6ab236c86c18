// Prints the plain text of a document (RTF, else plain 16-bit Unicode text)
// as UTF-8: the Qt-free rich-text core in a process of its own, for rtf_bench
// to compare with other RTF-to-text converters.
//
// usage: rtf_plaintext FILE
#include "platform/richedit/RtfReader.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: rtf_plaintext FILE\n");
        return 2;
    }
    std::vector<char> bytes;
    FILE* f = std::fopen(argv[1], "rb");
    if (!f) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long size = std::ftell(f);
        if (size > 0) bytes.resize(static_cast<std::size_t>(size));
        std::rewind(f);
    }
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    std::fclose(f);
    const auto text = kodrix::rtf::documentPlainText(
        {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    if (!text) {
        std::fprintf(stderr, "%s: %s\n", argv[1], text.reason().c_str());
        return 1;
    }
    std::string out;
    out.reserve(text->size() * 2);
    const std::u16string& s = *text;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out += '\n';
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
