// Prints the plain text of a document (RTF, else plain 16-bit Unicode text)
// as UTF-8: the Qt-free rich-text core in a process of its own, for rtf_bench
// to compare with other RTF-to-text converters.
//
// usage: rtf_plaintext FILE
#include "catalogue/Cp1251.h"
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
    std::string out = kodrix::cp1251::utf16ToUtf8(*text);
    out += '\n';
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
