#pragma once
// One listing of a folder, looked up many times without regard to case: the
// letter change resolves every group's ".dat" of a platform through one
// listing instead of one per file.
#include "CatalogueFs.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kodrix {

class FolderIndex {
public:
    explicit FolderIndex(const std::filesystem::path& dir);

    const std::filesystem::path& dir() const { return dir_; }
    // The real path of a regular file named nameCp1251 (any case); the exact
    // spelling wins over other spellings.
    std::optional<std::filesystem::path> findFile(std::string_view nameCp1251) const;
    // The path to open for that name: the real one, or dir / name when absent.
    std::filesystem::path fileOrGuess(std::string_view nameCp1251) const;

private:
    std::filesystem::path dir_;
    std::vector<DirEntry> entries_;
    std::unordered_multimap<std::string, std::size_t> byUpperName_;
};

}  // namespace kodrix
