#include "FolderIndex.h"

#include "Cp1251.h"

namespace kodrix {

FolderIndex::FolderIndex(const std::filesystem::path& dir) : dir_(dir) {
    // A folder that cannot be listed finds nothing.
    if (auto listed = listDirectory(dir)) entries_ = std::move(*listed);
    byUpperName_.reserve(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) byUpperName_.emplace(cp1251::upper(entries_[i].name), i);
}

std::optional<std::filesystem::path> FolderIndex::findFile(std::string_view name) const {
    auto [b, e] = byUpperName_.equal_range(cp1251::upper(name));
    const DirEntry* best = nullptr;
    for (auto it = b; it != e; ++it) {
        const DirEntry& d = entries_[it->second];
        if (!d.isFile) continue;
        if (d.name == name) return d.path;
        if (!best) best = &d;
    }
    if (best) return best->path;
    return std::nullopt;
}

std::filesystem::path FolderIndex::fileOrGuess(std::string_view name) const {
    if (auto p = findFile(name)) return *p;
    return dir_ / cp1251ToDiskName(name);
}

}  // namespace kodrix
