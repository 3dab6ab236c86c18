#pragma once
// Text list reading: how a text file becomes a list of lines.
// Lines end at CR LF, a lone LF or a lone CR; LF followed by CR is two line
// ends. A last line without a line end counts; a line end at the very end adds
// no empty line. A zero byte ends the text. An empty file has no lines.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kodrix {

std::vector<std::string> splitLines(std::span<const std::uint8_t> bytes);
std::vector<std::string> splitLines(std::string_view bytes);
std::size_t countLines(std::span<const std::uint8_t> bytes);

// Calls fn with each line, in order, by the same rules; nothing is copied.
void forEachLine(std::span<const std::uint8_t> bytes, const std::function<void(std::string_view)>& fn);

// Reads the file's lines; throws Error("Cannot open file \"%s\". %s") when it
// cannot be opened.
std::vector<std::string> loadTextList(const std::filesystem::path& path);
std::size_t countFileLines(const std::filesystem::path& path);
// Calls fn with each line of the file; throws as loadTextList does.
void forEachFileLine(const std::filesystem::path& path, const std::function<void(std::string_view)>& fn);

// The path as the program shows it in messages (cp1251).
std::string displayPath(const std::filesystem::path& path);

}  // namespace kodrix
