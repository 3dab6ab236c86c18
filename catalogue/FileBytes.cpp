#include "FileBytes.h"

#include "ByteCursor.h"

#include <cerrno>
#include <limits>
#include <sys/mman.h>
#include <unistd.h>

namespace kodrix {
namespace {

// Large enough that a module's headers and resource directory usually come
// in one read, small enough that a look at the headers of thousands of
// modules reads little. A multiple of every page size in use.
constexpr std::size_t kBlock = 64 * 1024;

enum : std::uint8_t { kUnread = 0, kRead = 1, kFailed = 2 };

}  // namespace

FileBytes::~FileBytes() { close(); }

FileBytes::FileBytes(FileBytes&& other) noexcept { *this = std::move(other); }

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
    if (this != &other) {
        close();
        file_ = std::move(other.file_);
        base_ = other.base_;
        size_ = other.size_;
        reserved_ = other.reserved_;
        blockState_ = std::move(other.blockState_);
        other.base_ = nullptr;
        other.size_ = other.reserved_ = 0;
        other.blockState_.clear();
    }
    return *this;
}

bool FileBytes::open(const std::filesystem::path& path, int* errnoOut) {
    int err = 0;
    FileHandle file = FileHandle::open(path, &err);
    if (!file) {
        close();
        if (errnoOut) *errnoOut = err;
        return false;
    }
    return open(std::move(file), errnoOut);
}

bool FileBytes::open(FileHandle&& file, int* errnoOut) {
    close();
    if (!file) {
        if (errnoOut) *errnoOut = EBADF;
        return false;
    }
    const std::uint64_t size = file.size();
    if (size > std::numeric_limits<std::size_t>::max() - kBlock) {
        if (errnoOut) *errnoOut = EFBIG;
        return false;
    }
    if (size > 0) {
        // Address space only: nothing is committed until a block is read.
        const std::size_t reserved = (static_cast<std::size_t>(size) + kBlock - 1) / kBlock * kBlock;
        void* p = ::mmap(nullptr, reserved, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (p == MAP_FAILED) {
            if (errnoOut) *errnoOut = errno;
            return false;
        }
        base_ = static_cast<std::uint8_t*>(p);
        reserved_ = reserved;
        blockState_.assign(reserved / kBlock, kUnread);
    }
    size_ = static_cast<std::size_t>(size);
    file_ = std::move(file);
    return true;
}

void FileBytes::close() noexcept {
    if (base_) ::munmap(base_, reserved_);
    base_ = nullptr;
    size_ = reserved_ = 0;
    blockState_.clear();
    file_.close();
}

bool FileBytes::loadBlock(std::size_t block) const {
    std::uint8_t& state = blockState_[block];
    if (state != kUnread) return state == kRead;
    state = kFailed;
    const std::size_t start = block * kBlock;
    const std::size_t length = std::min(kBlock, size_ - start);
    std::uint8_t* into = base_ + start;
    if (::mprotect(into, kBlock, PROT_READ | PROT_WRITE) != 0) return false;
    std::size_t done = 0;
    while (done < length) {
        const std::int64_t got = file_.readAt(start + done, into + done, length - done);
        if (got <= 0) return false;  // an I/O error, or the file ends early: it shrank
        done += static_cast<std::size_t>(got);
    }
    state = kRead;
    return true;
}

std::optional<std::span<const std::uint8_t>> FileBytes::read(std::uint64_t offset, std::uint64_t length) const {
    if (!isOpen() || !rangeFits(offset, length, size_)) return std::nullopt;
    if (length == 0) return std::span<const std::uint8_t>();
    const std::size_t first = static_cast<std::size_t>(offset / kBlock);
    const std::size_t last = static_cast<std::size_t>((offset + length - 1) / kBlock);
    for (std::size_t b = first; b <= last; ++b)
        if (!loadBlock(b)) return std::nullopt;
    return std::span<const std::uint8_t>(base_ + offset, static_cast<std::size_t>(length));
}

std::span<const std::uint8_t> FileBytes::bytes() const {
    if (auto all = read(0, size_)) return *all;
    return {};
}

std::size_t FileBytes::bytesLoaded() const noexcept {
    std::size_t n = 0;
    for (std::size_t b = 0; b < blockState_.size(); ++b)
        if (blockState_[b] == kRead) n += std::min(kBlock, size_ - b * kBlock);
    return n;
}

}  // namespace kodrix
