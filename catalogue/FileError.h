#pragma once
// Why a file or folder of the catalogue could not be opened, listed or read:
// the path and the system's reason. Readers return it inside a Result; the
// action the user triggered raises it with the program's text.
#include "Result.h"

#include <filesystem>
#include <string>

namespace kodrix {

struct FileError {
    std::filesystem::path path;
    int errnoValue = 0;  // an errno value, or messages::kNotRegularFile

    // "Cannot open file "%s". %s" (cp1251).
    std::string message() const;
    // Throws Error(message()).
    [[noreturn]] void raise() const;
};

template <class T>
using FileResult = Result<T, FileError>;

// The path as the program shows it in messages (cp1251).
std::string displayPath(const std::filesystem::path& path);

}  // namespace kodrix
