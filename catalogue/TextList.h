#pragma once
// Text list reading: how a text file becomes a list of lines.
// Lines end at CR LF, a lone LF or a lone CR; LF followed by CR is two line
// ends. A last line without a line end counts; a line end at the very end adds
// no empty line. A zero byte ends the text. An empty file has no lines.
//
// Files are read with read() in blocks and never held whole: reading stops at
// the first zero byte, counting keeps no lines at all, and loading keeps only
// the lines' bytes (TextLines), so memory grows with what is kept.
#include "FileHandle.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kodrix {

// Lines kept compactly: their bytes back to back (no line ends) and where
// each one ends, one number per line.
class TextLines {
public:
    std::size_t size() const noexcept { return ends_.size(); }
    bool empty() const noexcept { return ends_.empty(); }
    std::string_view operator[](std::size_t i) const noexcept {
        const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
        return std::string_view(text_).substr(begin, ends_[i] - begin);
    }
    void append(std::string_view line);
    // Appends every line of other, in order.
    void append(const TextLines& other);
    // Inserts a line before line `index` (at the end when index == size()).
    void insert(std::size_t index, std::string_view line);
    void reserve(std::size_t lines, std::size_t bytes);
    void clear() noexcept;
    // Upper-cases every line in place, by code page 1251.
    void upperCase();
    // The bytes of every line back to back.
    const std::string& text() const noexcept { return text_; }
    std::vector<std::string> toStrings() const;

private:
    std::string text_;
    std::vector<std::size_t> ends_;
};

std::vector<std::string> splitLines(std::span<const std::uint8_t> bytes);
std::vector<std::string> splitLines(std::string_view bytes);
TextLines splitTextLines(std::span<const std::uint8_t> bytes);
std::size_t countLines(std::span<const std::uint8_t> bytes);

// Calls fn with each line, in order, by the same rules.
void forEachLine(std::span<const std::uint8_t> bytes, const std::function<void(std::string_view)>& fn);

// Reads the file's lines; throws Error("Cannot open file \"%s\". %s") when it
// cannot be opened or read.
TextLines readTextLines(const std::filesystem::path& path);
TextLines readTextLines(const FileHandle& file);
std::vector<std::string> loadTextList(const std::filesystem::path& path);
std::size_t countFileLines(const std::filesystem::path& path);
// Calls fn with each line of the file; throws as loadTextList does.
void forEachFileLine(const std::filesystem::path& path, const std::function<void(std::string_view)>& fn);
// Calls fn with the file's text (up to its first zero byte) in pieces, in
// order, each ending at a line end but the last: no line runs across two
// pieces (a CR LF may). For a scan that needs no line on its own, such as a
// search. Throws as loadTextList does.
void forEachFilePiece(const std::filesystem::path& path, const std::function<void(std::string_view)>& fn);
std::size_t countFileLines(const FileHandle& file);

// The bytes of a text file up to its first zero byte (or its end), read in
// blocks so that nothing after the zero is ever held; or why they could not
// be read.
FileResult<std::string> readTextBytes(const FileHandle& file);

}  // namespace kodrix
