#include "FileBytes.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kodrix {

FileBytes::~FileBytes() { close(); }

FileBytes::FileBytes(FileBytes&& other) noexcept { *this = std::move(other); }

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
    if (this != &other) {
        close();
        data_ = other.data_;
        size_ = other.size_;
        mapped_ = other.mapped_;
        open_ = other.open_;
        other.data_ = nullptr;
        other.size_ = 0;
        other.mapped_ = false;
        other.open_ = false;
    }
    return *this;
}

bool FileBytes::open(const std::filesystem::path& path, int* errnoOut) {
    close();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errnoOut) *errnoOut = errno;
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int e = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        if (errnoOut) *errnoOut = e ? e : EINVAL;
        return false;
    }
    size_ = static_cast<std::size_t>(st.st_size);
    if (size_ > 0) {
        void* p = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
        if (p == MAP_FAILED) {
            int e = errno;
            ::close(fd);
            size_ = 0;
            if (errnoOut) *errnoOut = e;
            return false;
        }
        data_ = static_cast<const std::uint8_t*>(p);
        mapped_ = true;
    }
    ::close(fd);  // the mapping keeps the bytes; the descriptor is not needed
    open_ = true;
    return true;
}

void FileBytes::close() noexcept {
    if (mapped_) ::munmap(const_cast<std::uint8_t*>(data_), size_);
    data_ = nullptr;
    size_ = 0;
    mapped_ = false;
    open_ = false;
}

}  // namespace kodrix
