#include "CatalogueFs.h"

#include "Cp1251.h"

#include "Messages.h"

#include <cerrno>
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
    struct stat st {};
    if (kind == EntryKind::Any) return ::lstat(p.c_str(), &st) == 0;  // the entry itself, whatever it leads to
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

namespace {
bool roundTrips(const std::string& diskName, const std::string& cp1251Name) {
    return cp1251ToDiskName(cp1251Name) == diskName;
}
FileResult<std::vector<DirEntry>> failed(const std::filesystem::path& dir) {
    return FileResult<std::vector<DirEntry>>::failure({dir, errno});
}
}  // namespace

FileResult<std::vector<DirEntry>> listDirectory(const std::filesystem::path& dir) {
    DirHandle h(dir);
    if (!h.d) return failed(dir);
    std::vector<DirEntry> out;
    while (dirent* de = ::readdir(h.d)) {
        DirEntry e;
        e.name = diskNameToCp1251(de->d_name);
        e.representable = roundTrips(de->d_name, e.name);
        e.path = dir / de->d_name;
        classify(e, de->d_type);
        out.push_back(std::move(e));
    }
    return out;
}

FileResult<std::vector<DirEntry>> listFilesWithExtension(const std::filesystem::path& dir, std::string_view extension) {
    DirHandle h(dir);
    if (!h.d) return failed(dir);
    std::vector<DirEntry> out;
    while (dirent* de = ::readdir(h.d)) {
        std::string name = diskNameToCp1251(de->d_name);
        if (name.size() < extension.size() ||
            !cp1251::equalsIgnoreCase(std::string_view(name).substr(name.size() - extension.size()), extension))
            continue;
        DirEntry e;
        e.representable = roundTrips(de->d_name, name);
        e.name = std::move(name);
        e.path = dir / de->d_name;
        classify(e, de->d_type);
        if (!e.isFile) continue;
        out.push_back(std::move(e));
    }
    return out;
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
    if (kindMatches(exact, kind)) return exact;

    DirHandle h(dir);
    if (!h.d) return std::nullopt;
    while (dirent* de = ::readdir(h.d)) {
        if (!cp1251::equalsIgnoreCase(diskNameToCp1251(de->d_name), nameCp1251)) continue;
        auto p = dir / de->d_name;
        if (kindMatches(p, kind)) return p;
    }
    return std::nullopt;
}

namespace {

// What a candidate entry of openFileEntry is: true for a regular file; else
// the reason it is passed over.
bool isRegularFile(const std::filesystem::path& p, int& reason) {
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) {
        reason = errno;  // a broken link, a link loop …
        return false;
    }
    if (S_ISREG(st.st_mode)) return true;
    reason = S_ISDIR(st.st_mode) ? EISDIR : messages::kNotRegularFile;
    return false;
}

}  // namespace

ResolvedFile openFileEntry(const std::filesystem::path& dir, std::string_view nameCp1251) {
    ResolvedFile r;
    r.path = dir / cp1251ToDiskName(nameCp1251);
    r.error = ENOENT;
    if (nameCp1251.empty() || nameCp1251 == "." || nameCp1251 == "..") return r;

    bool seen = false;
    // One candidate: a regular file settles the lookup, opened or not;
    // anything else is remembered (the first one) and passed over.
    auto settle = [&](const std::filesystem::path& candidate) {
        int reason = 0;
        if (!isRegularFile(candidate, reason)) {
            if (!seen && reason != ENOENT) {
                seen = true;
                r.status = ResolvedFile::Status::NotRegular;
                r.path = candidate;
                r.error = reason;
            } else if (!seen) {
                // A broken link is an entry that leads nowhere.
                struct stat st {};
                if (::lstat(candidate.c_str(), &st) == 0) {
                    seen = true;
                    r.status = ResolvedFile::Status::NotRegular;
                    r.path = candidate;
                    r.error = ENOENT;
                }
            }
            return false;
        }
        auto file = FileHandle::open(candidate);
        r.path = candidate;
        if (file) {
            r.status = ResolvedFile::Status::Opened;
            r.file = std::move(*file);
            r.error = 0;
        } else {
            r.status = ResolvedFile::Status::Unopenable;
            r.error = file.reason().errnoValue;
        }
        return true;
    };

    const std::string exactName = cp1251ToDiskName(nameCp1251);
    if (settle(dir / exactName)) return r;
    DirHandle h(dir);
    if (!h.d) return r;
    while (dirent* de = ::readdir(h.d)) {
        if (de->d_name == exactName) continue;
        if (!cp1251::equalsIgnoreCase(diskNameToCp1251(de->d_name), nameCp1251)) continue;
        if (settle(dir / de->d_name)) return r;
    }
    return r;
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
