#include "Discovery.h"
#include "CatalogueNames.h"

#include "CatalogueFs.h"
#include "TextList.h"

namespace kodrix {

Listing listPlatforms(const std::filesystem::path& programDir) {
    Listing out;
    std::vector<DirEntry> entries;
    ListStatus st = listDirectory(programDir, entries);
    if (st == ListStatus::NoMatch) out.noDatabase = true;
    for (const auto& e : entries) {
        if (!e.isDirectory) continue;
        if (findEntry(e.path, names::kPlatformMarker, EntryKind::File)) out.names.push_back(e.name);
    }
    return out;
}

std::filesystem::path platformDir(const std::filesystem::path& programDir, std::string_view platform) {
    if (auto p = findEntry(programDir, platform, EntryKind::Directory)) return *p;
    return programDir / cp1251ToDiskName(platform);
}

std::filesystem::path platformFile(const std::filesystem::path& dir, std::string_view fileName) {
    if (auto p = findEntry(dir, fileName)) return *p;
    return dir / cp1251ToDiskName(fileName);
}

Listing listLetterGroups(const std::filesystem::path& programDir, std::string_view platform) {
    Listing out;
    std::vector<DirEntry> files;
    ListStatus st = listFilesWithExtension(platformDir(programDir, platform), names::kListExtension, files);
    if (st == ListStatus::NoMatch) out.noDatabase = true;
    for (const auto& f : files) out.names.push_back(f.name.substr(0, f.name.size() - 4));
    return out;
}

bool existsInPlatform(const std::filesystem::path& dir, std::string_view fileName) {
    return findEntry(dir, fileName, EntryKind::File).has_value();
}

PlatformCount countPlatformCodes(const std::filesystem::path& dir) {
    PlatformCount out;
    std::vector<DirEntry> files;
    if (listFilesWithExtension(dir, names::kListExtension, files) == ListStatus::NoMatch) out.noDatabase = true;
    for (const auto& f : files) out.total += countFileLines(f.path);
    return out;
}

int findRusGroup(const std::vector<std::string>& items) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i] == names::kRusGroup) return static_cast<int>(i);
    return -1;
}

}  // namespace kodrix
