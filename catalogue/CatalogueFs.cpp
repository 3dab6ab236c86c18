#include "CatalogueFs.h"

#include "Cp1251.h"

#include <dirent.h>
#include <sys/stat.h>

namespace kodrix {
namespace {

void classify(DirEntry& e, unsigned char type = DT_UNKNOWN) {
    // The listing's own entry type saves a stat per entry; links and file
    // systems that do not say are asked.
    if (type == DT_REG || type == DT_DIR) {
        e.isDirectory = type == DT_DIR;
        e.isFile = type == DT_REG;
        return;
    }
    struct stat st {};
    if (::stat(e.path.c_str(), &st) == 0) {
        e.isDirectory = S_ISDIR(st.st_mode);
        e.isFile = S_ISREG(st.st_mode);
    }
}

bool kindMatches(const std::filesystem::path& p, EntryKind kind) {
    if (kind == EntryKind::Any) return true;
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) return false;
    return kind == EntryKind::File ? S_ISREG(st.st_mode) : S_ISDIR(st.st_mode);
}

struct DirHandle {
    DIR* d;
    explicit DirHandle(const std::filesystem::path& p) : d(::opendir(p.c_str())) {}
    ~DirHandle() {
        if (d) ::closedir(d);
    }
    DirHandle(const DirHandle&) = delete;
    DirHandle& operator=(const DirHandle&) = delete;
};

}  // namespace

std::string diskNameToCp1251(const std::string& diskName) { return cp1251::fromUtf8(diskName); }
std::string cp1251ToDiskName(std::string_view nameCp1251) { return cp1251::toUtf8(nameCp1251); }

ListStatus listDirectory(const std::filesystem::path& dir, std::vector<DirEntry>& out) {
    DirHandle h(dir);
    if (!h.d) return ListStatus::Failed;
    bool any = false;
    while (dirent* de = ::readdir(h.d)) {
        DirEntry e;
        e.name = diskNameToCp1251(de->d_name);
        e.path = dir / de->d_name;
        classify(e, de->d_type);
        out.push_back(std::move(e));
        any = true;
    }
    return any ? ListStatus::Ok : ListStatus::NoMatch;
}

ListStatus listFilesWithExtension(const std::filesystem::path& dir, std::string_view extension,
                                  std::vector<DirEntry>& out) {
    DirHandle h(dir);
    if (!h.d) return ListStatus::Failed;
    bool any = false;
    while (dirent* de = ::readdir(h.d)) {
        std::string name = diskNameToCp1251(de->d_name);
        if (name.size() < extension.size() ||
            !cp1251::equalsIgnoreCase(std::string_view(name).substr(name.size() - extension.size()), extension))
            continue;
        DirEntry e;
        e.name = std::move(name);
        e.path = dir / de->d_name;
        classify(e, de->d_type);
        if (!e.isFile) continue;
        out.push_back(std::move(e));
        any = true;
    }
    return any ? ListStatus::Ok : ListStatus::NoMatch;
}

std::optional<std::filesystem::path> findEntry(const std::filesystem::path& dir, std::string_view nameCp1251,
                                               EntryKind kind) {
    if (nameCp1251.empty()) return std::nullopt;
    if (nameCp1251 == "." || nameCp1251 == "..") {
        auto p = dir / std::string(nameCp1251);
        return kindMatches(p, kind) ? std::optional(p) : std::nullopt;
    }
    // The exact spelling first: one stat instead of a listing.
    auto exact = dir / cp1251ToDiskName(nameCp1251);
    if (kindMatches(exact, kind) && (kind != EntryKind::Any || std::filesystem::exists(exact))) return exact;

    DirHandle h(dir);
    if (!h.d) return std::nullopt;
    while (dirent* de = ::readdir(h.d)) {
        if (!cp1251::equalsIgnoreCase(diskNameToCp1251(de->d_name), nameCp1251)) continue;
        auto p = dir / de->d_name;
        if (kindMatches(p, kind)) return p;
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> resolvePath(const std::filesystem::path& root, std::string_view rel,
                                                 EntryKind kind) {
    std::filesystem::path cur = root;
    std::size_t pos = 0;
    while (pos <= rel.size()) {
        std::size_t end = rel.find_first_of("\\/", pos);
        if (end == std::string_view::npos) end = rel.size();
        std::string_view part = rel.substr(pos, end - pos);
        bool last = end == rel.size();
        if (!part.empty()) {
            auto next = findEntry(cur, part, last ? kind : EntryKind::Directory);
            if (!next) return std::nullopt;
            cur = *next;
        }
        pos = end + 1;
    }
    return cur;
}


}  // namespace kodrix
