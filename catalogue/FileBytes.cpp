#include "FileBytes.h"

#include "ByteCursor.h"

#include <cerrno>
#include <limits>
#include <sys/mman.h>
#include <unistd.h>

namespace kodrix {
namespace {

// The unit of reading: one page, so a look at a module's headers and one
// resource reads a few pages; a range of many unread blocks is read with one
// call.
std::size_t blockSize() {
    static const std::size_t size = [] {
        const long page = ::sysconf(_SC_PAGESIZE);
        return page >= 4096 ? static_cast<std::size_t>(page) : std::size_t(4096);
    }();
    return size;
}

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

FileResult<FileBytes> FileBytes::open(const std::filesystem::path& path) {
    auto file = FileHandle::open(path);
    if (!file) return FileResult<FileBytes>::failure(file.reason());
    return open(std::move(*file));
}

FileResult<FileBytes> FileBytes::open(FileHandle&& file) {
    if (!file) return FileResult<FileBytes>::failure({file.path(), EBADF});
    const std::uint64_t size = file.size();
    const std::size_t unit = blockSize();
    if (size > std::numeric_limits<std::size_t>::max() - unit)
        return FileResult<FileBytes>::failure({file.path(), EFBIG});
    FileBytes bytes;
    if (size > 0) {
        // Address space only: nothing is committed until a block is read.
        const std::size_t reserved = (static_cast<std::size_t>(size) + unit - 1) / unit * unit;
        void* p = ::mmap(nullptr, reserved, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (p == MAP_FAILED) return FileResult<FileBytes>::failure({file.path(), errno});
        bytes.base_ = static_cast<std::uint8_t*>(p);
        bytes.reserved_ = reserved;
        bytes.blockState_.assign(reserved / unit, kUnread);
    }
    bytes.size_ = static_cast<std::size_t>(size);
    bytes.file_ = std::move(file);
    return bytes;
}

void FileBytes::close() noexcept {
    if (base_) ::munmap(base_, reserved_);
    base_ = nullptr;
    size_ = reserved_ = 0;
    blockState_.clear();
    file_.close();
}

bool FileBytes::loadBlocks(std::size_t first, std::size_t count) const {
    const std::size_t unit = blockSize();
    for (std::size_t b = first; b < first + count; ++b) blockState_[b] = kFailed;
    const std::size_t start = first * unit;
    const std::size_t length = std::min(count * unit, size_ - start);
    std::uint8_t* into = base_ + start;
    if (::mprotect(into, count * unit, PROT_READ | PROT_WRITE) != 0) return false;
    if (!file_.readExactly(start, into, length)) return false;  // an I/O error, or the file shrank
    for (std::size_t b = first; b < first + count; ++b) blockState_[b] = kRead;
    return true;
}

std::optional<std::span<const std::uint8_t>> FileBytes::read(std::uint64_t offset, std::uint64_t length) const {
    if (!isOpen() || !rangeFits(offset, length, size_)) return std::nullopt;
    if (length == 0) return std::span<const std::uint8_t>();
    const std::size_t unit = blockSize();
    const std::size_t first = static_cast<std::size_t>(offset / unit);
    const std::size_t last = static_cast<std::size_t>((offset + length - 1) / unit);
    // Each run of unread blocks in one read.
    for (std::size_t b = first; b <= last;) {
        if (blockState_[b] == kRead) {
            ++b;
            continue;
        }
        if (blockState_[b] == kFailed) return std::nullopt;
        std::size_t end = b + 1;
        while (end <= last && blockState_[end] == kUnread) ++end;
        if (!loadBlocks(b, end - b)) return std::nullopt;
        b = end;
    }
    return std::span<const std::uint8_t>(base_ + offset, static_cast<std::size_t>(length));
}

std::span<const std::uint8_t> FileBytes::bytes() const {
    if (auto all = read(0, size_)) return *all;
    return {};
}

std::size_t FileBytes::bytesLoaded() const noexcept {
    std::size_t n = 0;
    for (std::size_t b = 0; b < blockState_.size(); ++b)
        if (blockState_[b] == kRead) n += std::min(blockSize(), size_ - b * blockSize());
    return n;
}

}  // namespace kodrix
