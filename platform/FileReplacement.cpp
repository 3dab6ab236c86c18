#include "FileReplacement.h"

#include "catalogue/Messages.h"

#include <cerrno>
#include <random>
#include <utility>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kodrix::files {
namespace {

constexpr int kMaxLinks = 40;  // as the system's own path lookup

// A descriptor closed on every path.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// The new file beside the target; removed unless it has taken the target's name.
struct TempFile {
    Descriptor file;
    std::string path;
    bool renamed = false;
    ~TempFile() {
        if (!path.empty() && !renamed) ::unlink(path.c_str());
    }
};

WriteFailure cannotCreate(int errnoValue) { return {WriteFailure::Stage::Create, errnoValue}; }
WriteFailure cannotWrite(int errnoValue) { return {WriteFailure::Stage::Write, errnoValue ? errnoValue : EIO}; }

bool writeAll(int fd, std::span<const char> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Folder and name of a path; a bare name lies in the current folder.
std::pair<std::string, std::string> splitPath(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// The existing file rewritten where it lies: room reserved first, then the
// bytes over the old ones, then the length cut to theirs.
std::optional<WriteFailure> writeInPlace(const std::string& target, std::span<const char> bytes) {
    Descriptor out;
    // Without waiting: something else may have taken the name since it was
    // looked at (a FIFO without a reader answers ENXIO at once).
    out.fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (out.fd < 0) return cannotCreate(errno == ENXIO ? messages::kNotRegularFile : errno);
    struct stat st {};
    if (::fstat(out.fd, &st) != 0) return cannotCreate(errno);
    if (!S_ISREG(st.st_mode)) return cannotCreate(messages::kNotRegularFile);
    ::fcntl(out.fd, F_SETFL, ::fcntl(out.fd, F_GETFL) & ~O_NONBLOCK);
    // What is known to fail is refused before the old content is touched:
    // a length past the process's file size limit, then a disk without room.
    rlimit sizeLimit {};
    if (::getrlimit(RLIMIT_FSIZE, &sizeLimit) == 0 && sizeLimit.rlim_cur != RLIM_INFINITY &&
        bytes.size() > sizeLimit.rlim_cur)
        return cannotWrite(EFBIG);
#ifdef __linux__
    // Blocks for the new length, the old length kept; on a file system that
    // cannot reserve, the bytes are written all the same.
    if (!bytes.empty() && ::fallocate(out.fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes.size())) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS)
        return cannotWrite(errno);
#endif
    if (!writeAll(out.fd, bytes) || ::ftruncate(out.fd, static_cast<off_t>(bytes.size())) != 0 || ::fsync(out.fd) != 0)
        return cannotWrite(errno);
    const int fd = std::exchange(out.fd, -1);
    if (::close(fd) != 0) return cannotWrite(errno);
    return std::nullopt;
}

std::string randomSuffix() {
    thread_local std::mt19937 generator{std::random_device{}()};
    return std::to_string(generator() % 1000000u);
}

}  // namespace

std::optional<std::string> followLinks(const std::string& path, int* errnoOut) {
    std::string current = path;
    for (int links = 0; links <= kMaxLinks; ++links) {
        struct stat st {};
        // Not there, or no link: this is the name written.
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        if (links == kMaxLinks) break;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4095) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size()) {
            if (errnoOut) *errnoOut = n < 0 ? errno : ENAMETOOLONG;
            return std::nullopt;
        }
        target.resize(static_cast<std::size_t>(n));
        if (target.empty() || target.front() != '/') target = splitPath(current).first + "/" + target;
        current = std::move(target);
    }
    if (errnoOut) *errnoOut = ELOOP;
    return std::nullopt;
}

std::optional<WriteFailure> replaceFileContent(const std::string& path, std::span<const char> bytes) {
    if (path.empty()) return cannotCreate(ENOENT);
    int linkError = 0;
    const auto resolved = followLinks(path, &linkError);
    if (!resolved) return cannotCreate(linkError);
    const std::string& target = *resolved;

    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) return cannotCreate(errno);
    if (exists) {
        if (S_ISDIR(existing.st_mode)) return cannotCreate(EISDIR);
        // Renaming over a device or a pipe would replace the node; writing
        // into one may wait for ever.
        if (!S_ISREG(existing.st_mode)) return cannotCreate(messages::kNotRegularFile);
        // A file the user may not write is not replaced behind its back.
        if (::access(target.c_str(), W_OK) != 0) return cannotCreate(errno);
        // A new file under one name would leave the other names behind.
        if (existing.st_nlink > 1) return writeInPlace(target, bytes);
    }

    const auto [folder, name] = splitPath(target);
    TempFile temp;
    // The temporary name: hidden, beside the target, short enough for any
    // name the target itself may have.
    for (int attempt = 0; temp.file.fd < 0; ++attempt) {
        const std::string candidate = folder + "/." + name.substr(0, 200) + "." + randomSuffix();
        temp.file.fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (temp.file.fd >= 0) {
            temp.path = candidate;
        } else if (errno != EEXIST || attempt >= 100) {
            // A folder that takes no new file: the file the user may write
            // is written where it is.
            if (exists && (errno == EACCES || errno == EPERM)) return writeInPlace(target, bytes);
            return cannotCreate(errno);
        }
    }
    if (exists) {
        ::fchmod(temp.file.fd, existing.st_mode & 07777);
        // The owner too, where that is allowed (an administrator saving a
        // user's file); elsewhere the file is the user's own anyway.
        const int owned = ::fchown(temp.file.fd, existing.st_uid, existing.st_gid);
        (void)owned;
    }

    if (!writeAll(temp.file.fd, bytes) || ::fsync(temp.file.fd) != 0) return cannotWrite(errno);
    const int fd = std::exchange(temp.file.fd, -1);
    if (::close(fd) != 0) return cannotWrite(errno);
    if (::rename(temp.path.c_str(), target.c_str()) != 0) return cannotCreate(errno);
    temp.renamed = true;

    // The new name reaches the disk with the folder (best effort: some file
    // systems refuse to sync a folder).
    Descriptor dir;
    dir.fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir.fd >= 0) ::fsync(dir.fd);
    return std::nullopt;
}

}  // namespace kodrix::files
