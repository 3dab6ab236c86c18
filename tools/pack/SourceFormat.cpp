#include "tools/pack/SourceFormat.h"

#include "catalogue/Cp1251.h"
#include "tools/pack/CatalogueBuilder.h"
#include "tools/pack/PackError.h"

namespace kodrix::pack::source {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::string_view kCarriageReturnSymbol = "\xE2\x90\x8D";  // U+240D ␍
constexpr std::string_view kLineFeedSymbol = "\xE2\x90\x8A";        // U+240A ␊
constexpr char kUndefinedByte = '\x98';

std::string convert(std::string_view utf8, std::string_view where, bool codeLine) {
    std::string out;
    out.reserve(utf8.size());
    const auto piece = [&](std::string_view text) {
        const std::string bytes = cp1251::fromUtf8(text);
        if (cp1251::toUtf8(bytes) != text)
            throw PackError(std::string(where) + ": text has characters outside code page 1251: " + std::string(utf8));
        out += bytes;
    };
    std::size_t start = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        // Each stand-in is a whole UTF-8 character, so it never begins inside another.
        const std::string_view rest = utf8.substr(i);
        char byte = 0;
        if (rest.starts_with(kReplacementCharacter)) byte = kUndefinedByte;
        else if (codeLine && rest.starts_with(kCarriageReturnSymbol)) byte = '\r';
        else if (codeLine && rest.starts_with(kLineFeedSymbol)) byte = '\n';
        if (!byte) {
            ++i;
            continue;
        }
        piece(utf8.substr(start, i - start));
        out += byte;
        i += 3;
        start = i;
    }
    piece(utf8.substr(start));
    return out;
}

}  // namespace

std::string toCatalogueText(std::string_view utf8, std::string_view where) { return convert(utf8, where, false); }

std::string toCodeLineText(std::string_view utf8, std::string_view where) { return convert(utf8, where, true); }

std::string sourceText(std::string_view cp1251) { return cp1251::toUtf8(cp1251); }

std::string codeLineSource(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        cp1251::appendUtf8(out, text.substr(start, i - start));
        out += text[i] == '\r' ? kCarriageReturnSymbol : kLineFeedSymbol;
        start = i + 1;
    }
    cp1251::appendUtf8(out, text.substr(start));
    return out;
}

std::vector<std::string_view> sourceLines(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.push_back(line);
        if (lf == std::string_view::npos) break;
        text.remove_prefix(lf + 1);
    }
    return lines;
}

std::string joinLines(const std::vector<std::string>& lines, std::string_view lineEnd) {
    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += lineEnd;
    }
    return out;
}

std::string sourceFileText(const std::vector<std::string>& cp1251Lines) {
    std::string out;
    for (const std::string& line : cp1251Lines) {
        out += sourceText(line);
        out += '\n';
    }
    return out;
}

std::string trimBlanks(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return std::string(s);
}

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string readSourceFile(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = readFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void writeSourceFile(const std::filesystem::path& path, std::string_view text) {
    writeFileBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

}  // namespace kodrix::pack::source
