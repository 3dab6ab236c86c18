#include "WholeFileWriter.h"

#include "Text.h"
#include "catalogue/Error.h"
#include "catalogue/Messages.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace kodrix {
namespace {

// A file descriptor closed on every path; the temporary file it belongs to
// is removed unless it has taken the target's name.
struct TempFile {
    int fd = -1;
    std::string path;
    bool renamed = false;
    ~TempFile() {
        if (fd >= 0) ::close(fd);
        if (!path.empty() && !renamed) ::unlink(path.c_str());
    }
};

bool writeAll(int fd, QByteArrayView bytes) {
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<std::size_t>(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

// Folder and name of a path; a bare name lies in the current folder.
std::pair<std::string, std::string> splitPath(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace

void writeWholeFile(const QString& path, QByteArrayView bytes) {
    const auto cannotCreate = [&](int errnoValue) {
        return Error(messages::cannotCreateFile(toCp1251(path), errnoValue));
    };
    const auto failedToSave = [] { return Error(messages::failedToSaveStream()); };

    std::string target = QFile::encodeName(path).toStdString();
    if (target.empty()) throw cannotCreate(ENOENT);

    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists) {
        if (S_ISDIR(existing.st_mode)) throw cannotCreate(EISDIR);
        // A file the user may not write is not replaced behind its back.
        if (::access(target.c_str(), W_OK) != 0) throw cannotCreate(errno);
        if (!S_ISREG(existing.st_mode)) {
            // Renaming over a device or a pipe would replace the node itself.
            TempFile direct;
            direct.fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
            if (direct.fd < 0) throw cannotCreate(errno);
            if (!writeAll(direct.fd, bytes)) throw failedToSave();
            return;
        }
        struct stat link {};
        if (::lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            char resolved[PATH_MAX];
            if (::realpath(target.c_str(), resolved)) target = resolved;
        }
    }

    const auto [folder, name] = splitPath(target);
    TempFile temp;
    // The temporary name: hidden, beside the target, short enough for any
    // name the target itself may have.
    for (int attempt = 0; temp.fd < 0; ++attempt) {
        const std::string candidate = folder + "/." + name.substr(0, 200) + "." +
                                      std::to_string(QRandomGenerator::global()->generate() % 1000000u);
        temp.fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (temp.fd >= 0) temp.path = candidate;
        else if (errno != EEXIST || attempt >= 100) throw cannotCreate(errno);
    }
    if (exists) ::fchmod(temp.fd, existing.st_mode & 07777);

    if (!writeAll(temp.fd, bytes) || ::fsync(temp.fd) != 0) throw failedToSave();
    const int fd = std::exchange(temp.fd, -1);
    if (::close(fd) != 0) throw failedToSave();
    if (::rename(temp.path.c_str(), target.c_str()) != 0) throw cannotCreate(errno);
    temp.renamed = true;

    // The new name reaches the disk with the folder (best effort: some file
    // systems refuse to sync a folder).
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

}  // namespace kodrix
