#include "TextList.h"

#include "Cp1251.h"
#include "Messages.h"
#include "Error.h"
#include "FileBytes.h"

#include <cstring>

namespace kodrix {
namespace {

// Calls emit(begin, end) for each line; returns the number of lines.
template <typename Emit>
std::size_t scanLines(const std::uint8_t* p, std::size_t n, Emit&& emit) {
    if (const void* z = std::memchr(p, 0, n)) n = static_cast<std::size_t>(static_cast<const std::uint8_t*>(z) - p);
    std::size_t count = 0, start = 0, i = 0;
    while (i < n) {
        std::uint8_t c = p[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        emit(start, i);
        ++count;
        i += (c == '\r' && i + 1 < n && p[i + 1] == '\n') ? 2 : 1;
        start = i;
    }
    if (start < n) {
        emit(start, n);
        ++count;
    }
    return count;
}

}  // namespace

std::vector<std::string> splitLines(std::span<const std::uint8_t> bytes) {
    std::vector<std::string> lines;
    const auto* p = bytes.data();
    scanLines(p, bytes.size(), [&](std::size_t b, std::size_t e) {
        lines.emplace_back(reinterpret_cast<const char*>(p) + b, e - b);
    });
    return lines;
}

std::vector<std::string> splitLines(std::string_view bytes) {
    return splitLines(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

void forEachLine(std::span<const std::uint8_t> bytes, const std::function<void(std::string_view)>& fn) {
    const auto* p = reinterpret_cast<const char*>(bytes.data());
    scanLines(bytes.data(), bytes.size(), [&](std::size_t b, std::size_t e) { fn(std::string_view(p + b, e - b)); });
}

std::size_t countLines(std::span<const std::uint8_t> bytes) {
    // Counting needs no line boundaries: every CR and every LF ends a line,
    // except an LF right after a CR; a last line without a line end counts.
    // Each of these loops is a plain count the compiler vectorises.
    const std::uint8_t* p = bytes.data();
    std::size_t n = bytes.size();
    if (const void* z = std::memchr(p, 0, n)) n = static_cast<std::size_t>(static_cast<const std::uint8_t*>(z) - p);
    if (n == 0) return 0;
    std::size_t ends = 0, pairs = 0;
    for (std::size_t i = 0; i < n; ++i) ends += (p[i] == '\n') | (p[i] == '\r');
    for (std::size_t i = 0; i + 1 < n; ++i) pairs += (p[i] == '\r') & (p[i + 1] == '\n');
    const bool openLast = p[n - 1] != '\n' && p[n - 1] != '\r';
    return ends - pairs + (openLast ? 1 : 0);
}

std::string displayPath(const std::filesystem::path& path) { return cp1251::fromUtf8(path.string()); }

static FileBytes openListFile(const std::filesystem::path& path) {
    FileBytes file;
    int err = 0;
    if (!file.open(path, &err)) throw Error(messages::cannotOpenFile(displayPath(path), err));
    return file;
}

std::vector<std::string> loadTextList(const std::filesystem::path& path) {
    return splitLines(openListFile(path).bytes());
}

std::size_t countFileLines(const std::filesystem::path& path) { return countLines(openListFile(path).bytes()); }

void forEachFileLine(const std::filesystem::path& path, const std::function<void(std::string_view)>& fn) {
    forEachLine(openListFile(path).bytes(), fn);
}

}  // namespace kodrix
