#pragma once
// kodrix-pack's one error type. Its message is UTF-8 text for the terminal:
// paths go in as the file system spells them, never through code page 1251.
#include <filesystem>
#include <stdexcept>
#include <string>

namespace kodrix::pack {

class PackError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A path as the terminal shows it (UTF-8, as stored on disk).
inline std::string utf8Path(const std::filesystem::path& path) { return path.string(); }

// "Cannot open file "<path>". <reason>" / "Cannot create file …", in UTF-8.
[[noreturn]] void throwCannotOpen(const std::filesystem::path& path, int errnoValue);
[[noreturn]] void throwCannotCreate(const std::filesystem::path& path, int errnoValue);

}  // namespace kodrix::pack
