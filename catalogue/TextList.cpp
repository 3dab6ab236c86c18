#include "TextList.h"

#include "Cp1251.h"
#include "WordScan.h"


#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <optional>

namespace kodrix {
namespace {

// Blocks of 64 KB: small enough to come from (and go back to) the memory the
// process already has, where a fresh block of a megabyte would be mapped
// anew, page by page, at every read of a large list.
constexpr std::size_t kReadBlock = 64 << 10;
constexpr std::size_t kMinReadBlock = 4096;

// The length of the text before its first zero byte (memchr is not to be
// called on an empty range, whose pointer may be null).
std::size_t textLength(const std::uint8_t* p, std::size_t n) {
    if (n == 0) return 0;
    if (const void* z = std::memchr(p, 0, n)) return static_cast<std::size_t>(static_cast<const std::uint8_t*>(z) - p);
    return n;
}

// Reads the file block by block, calling feed(bytes, n) with the text's
// bytes up to the first zero byte. The error of a failed read, if any.
template <typename Feed>
std::optional<FileError> readBlocks(const FileHandle& file, Feed&& feed) {
    // A small file takes a block its size (and one byte more, to see its end
    // in one read); a large one is read a block at a time.
    const std::size_t blockSize =
        static_cast<std::size_t>(std::clamp<std::uint64_t>(file.size() + 1, kMinReadBlock, kReadBlock));
    const std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[blockSize]);
    std::uint64_t offset = 0;
    for (;;) {
        const auto got = file.readAt(offset, block.get(), blockSize);
        if (!got) return got.reason();
        const std::size_t n = *got;
        if (n == 0) return std::nullopt;
        offset += n;
        const std::size_t text = textLength(block.get(), n);
        feed(block.get(), text);
        if (text < n) return std::nullopt;  // a zero byte ends the text
        // A short read that ends where the file ended when it was opened is
        // its end (the one more read would return nothing); a file that
        // says it is empty may still hold text (as some system files do).
        if (n < blockSize && file.size() > 0 && offset == file.size()) return std::nullopt;
    }
}

}  // namespace

namespace {

// Where the first CR or LF in p[i, n) stands, or n: eight bytes at a time.
std::size_t findLineEnd(const std::uint8_t* p, std::size_t i, std::size_t n) {
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 8 <= n; i += 8) {
            std::uint64_t word;
            std::memcpy(&word, p + i, 8);
            if (const std::uint64_t ends = equalBytes(word, '\n') | equalBytes(word, '\r'))
                return i + static_cast<std::size_t>(std::countr_zero(ends) / 8);
        }
    }
    while (i < n && p[i] != '\r' && p[i] != '\n') ++i;
    return i;
}

// Splits text that arrives in pieces into lines and hands each to emit: CR
// LF, a lone CR and a lone LF each end a line (LF CR is two), and a CR at
// the end of one piece with an LF at the start of the next are one line end.
// Only a line that runs over the end of a piece is copied.
template <typename Emit>
class LineSplitter {
public:
    explicit LineSplitter(Emit emit) : emit_(std::move(emit)) {}
    void feed(const std::uint8_t* p, std::size_t n) {
        const char* text = reinterpret_cast<const char*>(p);
        std::size_t i = afterCr_ && n > 0 && p[0] == '\n' ? 1 : 0;
        afterCr_ = false;
        std::size_t start = i;
        for (; (i = findLineEnd(p, i, n)) < n; ++i) {
            const std::uint8_t c = p[i];
            if (open_) {
                carry_.append(text + start, i - start);
                emit_(std::string_view(carry_));
                carry_.clear();
                open_ = false;
            } else {
                emit_(std::string_view(text + start, i - start));
            }
            if (c == '\r') {
                if (i + 1 == n) afterCr_ = true;
                else if (p[i + 1] == '\n') ++i;
            }
            start = i + 1;
        }
        if (start < n) {
            carry_.append(text + start, n - start);
            open_ = true;
        }
    }
    // A last line without a line end counts.
    void finish() {
        if (open_) emit_(std::string_view(carry_));
        carry_.clear();
        open_ = false;
    }

private:
    Emit emit_;
    std::string carry_;
    bool open_ = false;
    bool afterCr_ = false;
};

template <typename Emit>
LineSplitter<Emit> splitter(Emit emit) {
    return LineSplitter<Emit>(std::move(emit));
}

}  // namespace

namespace {

// Counts lines of text arriving in pieces: every CR and every LF ends a
// line, except an LF right after a CR; a last line without a line end counts.
class LineCounter {
public:
    void feed(const std::uint8_t* p, std::size_t n) {
        if (n == 0) return;
        bytes_ += n;
        if (lastCr_ && p[0] == '\n') ++pairs_;
        // Eight bytes at a time, beside the eight that start one byte later
        // (for CR LF pairs); each byte lane counts its own line ends and
        // pairs, and the lanes are summed before one can pass 255.
        std::uint64_t endLanes = 0, pairLanes = 0;
        unsigned words = 0;
        std::size_t i = 0;
        for (; i + 9 <= n; i += 8) {
            std::uint64_t word, next;
            std::memcpy(&word, p + i, 8);
            std::memcpy(&next, p + i + 1, 8);
            const std::uint64_t lf = equalBytes(word, '\n'), cr = equalBytes(word, '\r');
            endLanes += (lf | cr) >> 7;
            pairLanes += (cr & equalBytes(next, '\n')) >> 7;
            if (++words == 255) {
                ends_ += sumLanes(endLanes);
                pairs_ += sumLanes(pairLanes);
                endLanes = pairLanes = 0;
                words = 0;
            }
        }
        ends_ += sumLanes(endLanes);
        pairs_ += sumLanes(pairLanes);
        for (; i < n; ++i) {
            ends_ += (p[i] == '\n') | (p[i] == '\r');
            pairs_ += i + 1 < n && p[i] == '\r' && p[i + 1] == '\n';
        }
        lastCr_ = p[n - 1] == '\r';
        openLast_ = p[n - 1] != '\n' && p[n - 1] != '\r';
    }
    std::size_t count() const { return ends_ - pairs_ + (openLast_ ? 1 : 0); }
    // The bytes of the lines themselves (every CR and LF is a line end's).
    std::size_t lineBytes() const { return bytes_ - ends_; }

private:
    // The sum of a word's eight byte lanes.
    static std::size_t sumLanes(std::uint64_t lanes) {
        const std::uint64_t pairs = (lanes & 0x00FF00FF00FF00FFull) + ((lanes >> 8) & 0x00FF00FF00FF00FFull);
        return static_cast<std::size_t>((pairs * 0x0001000100010001ull) >> 48);
    }

    std::size_t bytes_ = 0;
    std::size_t ends_ = 0, pairs_ = 0;
    bool lastCr_ = false, openLast_ = false;
};

}  // namespace

void TextLines::append(std::string_view line) {
    text_.append(line);
    ends_.push_back(text_.size());
}

void TextLines::append(const TextLines& other) {
    const std::size_t base = text_.size();
    text_.append(other.text_);
    ends_.reserve(ends_.size() + other.ends_.size());
    for (const std::size_t end : other.ends_) ends_.push_back(base + end);
}

void TextLines::insert(std::size_t index, std::string_view line) {
    const std::size_t at = index == 0 ? 0 : ends_[index - 1];
    text_.insert(at, line);
    ends_.insert(ends_.begin() + static_cast<std::ptrdiff_t>(index), at);
    for (std::size_t i = index; i < ends_.size(); ++i) ends_[i] += line.size();
}

void TextLines::reserve(std::size_t lines, std::size_t bytes) {
    ends_.reserve(lines);
    text_.reserve(bytes);
}

void TextLines::upperCase() { cp1251::upperInPlace(text_); }

void TextLines::clear() noexcept {
    text_.clear();
    ends_.clear();
}

std::vector<std::string> TextLines::toStrings() const {
    std::vector<std::string> out;
    out.reserve(size());
    for (std::size_t i = 0; i < size(); ++i) out.emplace_back((*this)[i]);
    return out;
}

TextLines splitTextLines(std::span<const std::uint8_t> bytes) {
    TextLines lines;
    auto split = splitter([&](std::string_view line) { lines.append(line); });
    split.feed(bytes.data(), textLength(bytes.data(), bytes.size()));
    split.finish();
    return lines;
}

std::vector<std::string> splitLines(std::span<const std::uint8_t> bytes) { return splitTextLines(bytes).toStrings(); }

std::vector<std::string> splitLines(std::string_view bytes) {
    return splitLines(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

void forEachLine(std::span<const std::uint8_t> bytes, const std::function<void(std::string_view)>& fn) {
    auto split = splitter([&](std::string_view line) { fn(line); });
    split.feed(bytes.data(), textLength(bytes.data(), bytes.size()));
    split.finish();
}

std::size_t countLines(std::span<const std::uint8_t> bytes) {
    LineCounter counter;
    counter.feed(bytes.data(), textLength(bytes.data(), bytes.size()));
    return counter.count();
}

namespace {
FileHandle openListFile(const std::filesystem::path& path) {
    auto file = FileHandle::open(path);
    if (!file) file.reason().raise();
    return std::move(*file);
}
// Raises the error of a failed read, if any.
void check(const std::optional<FileError>& failed) {
    if (failed) failed->raise();
}
}  // namespace

TextLines readTextLines(const FileHandle& file) {
    // Counted first (a fast pass), so the lines are stored without growing
    // and copying their storage as they come: a list of millions of lines
    // takes its size once.
    TextLines lines;
    LineCounter counter;
    check(readBlocks(file, [&](const std::uint8_t* p, std::size_t n) { counter.feed(p, n); }));
    lines.reserve(counter.count(), counter.lineBytes());
    auto split = splitter([&](std::string_view line) { lines.append(line); });
    check(readBlocks(file, [&](const std::uint8_t* p, std::size_t n) { split.feed(p, n); }));
    split.finish();
    return lines;
}

TextLines readTextLines(const std::filesystem::path& path) { return readTextLines(openListFile(path)); }

std::vector<std::string> loadTextList(const std::filesystem::path& path) { return readTextLines(path).toStrings(); }

std::size_t countFileLines(const FileHandle& file) {
    LineCounter counter;
    check(readBlocks(file, [&](const std::uint8_t* p, std::size_t n) { counter.feed(p, n); }));
    return counter.count();
}

std::size_t countFileLines(const std::filesystem::path& path) { return countFileLines(openListFile(path)); }

FileResult<std::string> readTextBytes(const FileHandle& file) {
    // Read straight into the text, sized at first as the file was when it
    // was opened and one byte more (to see its end in one read), up to
    // kPresized: a file that claims more (a sparse one may claim gigabytes
    // of zeros) or turns out longer grows the text as its bytes come. Nothing
    // after the first zero byte is kept.
    constexpr std::uint64_t kPresized = std::uint64_t{16} << 20;
    std::string out(static_cast<std::size_t>(std::clamp<std::uint64_t>(file.size() + 1, kMinReadBlock, kPresized)), '\0');
    std::size_t got = 0;
    for (;;) {
        if (got == out.size()) out.resize(out.size() * 2);
        const auto n = file.readAt(got, out.data() + got, out.size() - got);
        if (!n) return FileResult<std::string>::failure(n.reason());
        if (*n == 0) break;
        if (const void* zero = std::memchr(out.data() + got, 0, *n)) {
            got = static_cast<std::size_t>(static_cast<const char*>(zero) - out.data());
            break;
        }
        got += *n;
        // A read that ends where the file ended when it was opened is its end.
        if (file.size() > 0 && got == file.size()) break;
    }
    out.resize(got);
    return out;
}

void forEachFilePiece(const std::filesystem::path& path, const std::function<void(std::string_view)>& fn) {
    const FileHandle file = openListFile(path);
    std::string carry;  // the start of a line that runs over a block's end
    const std::optional<FileError> failed = readBlocks(
        file,
        [&](const std::uint8_t* p, std::size_t n) {
            const std::string_view block(reinterpret_cast<const char*>(p), n);
            const std::size_t end = block.find_last_of("\r\n");
            if (end == std::string_view::npos) {
                carry.append(block);
                return;
            }
            if (carry.empty()) {
                fn(block.substr(0, end + 1));
            } else {
                carry.append(block.substr(0, end + 1));
                fn(carry);
                carry.clear();
            }
            carry.append(block.substr(end + 1));
        });
    if (failed) failed->raise();
    if (!carry.empty()) fn(carry);
}

void forEachFileLine(const std::filesystem::path& path, const std::function<void(std::string_view)>& fn) {
    // One pass over the blocks as they are read.
    const FileHandle file = openListFile(path);
    auto split = splitter([&](std::string_view line) { fn(line); });
    check(readBlocks(file, [&](const std::uint8_t* p, std::size_t n) { split.feed(p, n); }));
    split.finish();
}

}  // namespace kodrix
