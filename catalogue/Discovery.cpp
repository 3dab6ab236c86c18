#include "Discovery.h"
#include "CatalogueNames.h"

#include "CatalogueFs.h"
#include "Cp1251.h"
#include "TextList.h"

#include <unordered_map>

namespace kodrix {
namespace {

// The entries a lookup can reach, once per name without regard to case, in
// listing order. lookupName(entry) is the name a lookup of that entry asks
// for (the list's upper-case form); an entry spelt exactly so wins over the
// other spellings, else the first one listed.
template <typename LookupName>
std::vector<const DirEntry*> reachable(const std::vector<DirEntry>& entries, LookupName&& lookupName) {
    std::vector<const DirEntry*> out;
    std::unordered_map<std::string, std::size_t> slot;  // lookup name → index in out
    for (const DirEntry& e : entries) {
        if (!e.representable) continue;
        std::string wanted = lookupName(e);
        auto [it, fresh] = slot.try_emplace(wanted, out.size());
        if (fresh) {
            out.push_back(&e);
        } else if (e.name == wanted && out[it->second]->name != wanted) {
            out[it->second] = &e;
        }
    }
    return out;
}

std::string listName(const DirEntry& e) { return cp1251::upper(e.name); }

std::vector<const DirEntry*> reachableLists(const std::vector<DirEntry>& files) {
    return reachable(files, [](const DirEntry& f) {
        return names::groupList(cp1251::upper(std::string_view(f.name).substr(0, f.name.size() - 4)));
    });
}

}  // namespace

Listing listPlatforms(const std::filesystem::path& programDir) {
    Listing out;
    auto entries = listDirectory(programDir);
    if (!entries) {
        out.error = entries.reason();
        return out;
    }
    out.noDatabase = entries->empty();
    std::vector<DirEntry> folders;
    for (auto& e : *entries)
        if (e.isDirectory) folders.push_back(std::move(e));
    for (const DirEntry* e : reachable(folders, listName))
        if (findEntry(e->path, names::kPlatformMarker, EntryKind::File)) out.names.push_back(e->name);
    return out;
}

std::filesystem::path platformDir(const std::filesystem::path& programDir, std::string_view platform) {
    if (auto p = findEntry(programDir, platform, EntryKind::Directory)) return *p;
    return programDir / cp1251ToDiskName(platform);
}

std::filesystem::path platformFile(const std::filesystem::path& dir, std::string_view fileName) {
    if (auto p = findEntry(dir, fileName, EntryKind::File)) return *p;
    return dir / cp1251ToDiskName(fileName);
}

ResolvedFile openPlatformFile(const std::filesystem::path& dir, std::string_view fileName) {
    return openFileEntry(dir, fileName);
}

Listing listLetterGroups(const std::filesystem::path& programDir, std::string_view platform) {
    Listing out;
    auto files = listFilesWithExtension(platformDir(programDir, platform), names::kListExtension);
    if (!files) {
        out.error = files.reason();
        return out;
    }
    out.noDatabase = files->empty();
    for (const DirEntry* f : reachableLists(*files)) out.names.push_back(f->name.substr(0, f->name.size() - 4));
    return out;
}

bool existsInPlatform(const std::filesystem::path& dir, std::string_view fileName) {
    return findEntry(dir, fileName, EntryKind::File).has_value();
}

PlatformCount countPlatformCodes(const std::filesystem::path& dir) {
    PlatformCount out;
    auto files = listFilesWithExtension(dir, names::kListExtension);
    if (!files) {
        out.error = files.reason();
        return out;
    }
    out.noDatabase = files->empty();
    for (const DirEntry* f : reachableLists(*files)) out.total += countFileLines(f->path);
    return out;
}

int findRusGroup(const std::vector<std::string>& items) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i] == names::kRusGroup) return static_cast<int>(i);
    return -1;
}

}  // namespace kodrix
