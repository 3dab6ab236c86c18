#include "FileHandle.h"

#include "Messages.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kodrix {

FileHandle::~FileHandle() { close(); }

FileHandle::FileHandle(FileHandle&& other) noexcept { *this = std::move(other); }

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        size_ = other.size_;
        other.fd_ = -1;
        other.size_ = 0;
    }
    return *this;
}

FileResult<FileHandle> FileHandle::open(const std::filesystem::path& path) {
    // O_NONBLOCK: opening a FIFO for reading returns at once instead of
    // waiting for a writer; the check below then refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return FileResult<FileHandle>::failure({path, errno});
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int e = errno;
        const bool statFailed = st.st_mode == 0;
        ::close(fd);
        return FileResult<FileHandle>::failure(
            {path, statFailed ? (e ? e : EIO) : S_ISDIR(st.st_mode) ? EISDIR : messages::kNotRegularFile});
    }
    // Reads of a regular file never wait anyway; the flag is dropped so that
    // no file system takes it as a reason to return short.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    FileHandle h;
    h.fd_ = fd;
    h.path_ = path;
    h.size_ = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    return h;
}

void FileHandle::close() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

FileResult<std::size_t> FileHandle::readAt(std::uint64_t offset, void* into, std::size_t n) const {
    if (fd_ < 0) return FileResult<std::size_t>::failure({path_, EBADF});
    for (;;) {
        const ssize_t got = ::pread(fd_, into, n, static_cast<off_t>(offset));
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno == EINTR) continue;
        return FileResult<std::size_t>::failure({path_, errno});
    }
}

bool FileHandle::readExactly(std::uint64_t offset, void* into, std::size_t n) const {
    auto* p = static_cast<std::uint8_t*>(into);
    while (n > 0) {
        const auto got = readAt(offset, p, n);
        if (!got || *got == 0) return false;
        p += *got;
        offset += *got;
        n -= *got;
    }
    return true;
}

}  // namespace kodrix
