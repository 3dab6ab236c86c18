#pragma once
// The bytes of one file, read on demand for the length of one action.
// Readers of resource modules and icon libraries look at a few headers, a
// directory and the resources they need, so only the pages they touch are
// read (with pread) into an address range the size of the file; what was read
// stays in place, at the same address, until the object is destroyed. Nothing
// is mapped from the file itself: a file that shrinks or fails while it is
// read (a network or removable disk) makes the read return nullopt, never a
// signal. Closing (destruction) releases the memory and the descriptor.
#include "FileHandle.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace kodrix {

class FileBytes {
public:
    FileBytes() = default;
    ~FileBytes();
    FileBytes(FileBytes&& other) noexcept;
    FileBytes& operator=(FileBytes&& other) noexcept;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    // Opens the file (a regular file only, see FileHandle), or says why not.
    static FileResult<FileBytes> open(const std::filesystem::path& path);
    // Takes a file already open.
    static FileResult<FileBytes> open(FileHandle&& file);
    void close() noexcept;

    bool isOpen() const noexcept { return file_.isOpen(); }
    std::size_t size() const noexcept { return size_; }
    const std::filesystem::path& path() const noexcept { return file_.path(); }

    // The bytes [offset, offset + length), read from the file when first
    // asked for. The view stays valid while the object lives. nullopt when
    // the range lies outside the file as it was opened, or cannot be read
    // (the file shrank, an I/O error).
    std::optional<std::span<const std::uint8_t>> read(std::uint64_t offset, std::uint64_t length) const;

    // The whole file; empty when it cannot be read whole.
    std::span<const std::uint8_t> bytes() const;

    // Bytes read into memory so far.
    std::size_t bytesLoaded() const noexcept;

private:
    bool loadBlocks(std::size_t first, std::size_t count) const;

    FileHandle file_;
    std::uint8_t* base_ = nullptr;  // reserved, size_ rounded up to whole blocks
    std::size_t size_ = 0;
    std::size_t reserved_ = 0;
    mutable std::vector<std::uint8_t> blockState_;  // per block: 0 not read, 1 read, 2 failed
};

}  // namespace kodrix
