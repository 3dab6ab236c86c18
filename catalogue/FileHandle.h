#pragma once
// One regular file of the catalogue, open for reading. Catalogue files come
// from anywhere, so the open never waits and never settles for anything but a
// regular file: a FIFO (whose open would wait for a writer for ever), a
// device or a socket is refused as not a regular file, a directory as a
// directory. Closing (destruction) releases the descriptor.
#include "FileError.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace kodrix {

class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    // Opens path (links followed). A failure says why (messages::kNotRegularFile
    // for a FIFO, device or socket).
    static FileResult<FileHandle> open(const std::filesystem::path& path);

    bool isOpen() const noexcept { return fd_ >= 0; }
    explicit operator bool() const noexcept { return isOpen(); }
    void close() noexcept;

    // The path it was opened by, for messages.
    const std::filesystem::path& path() const noexcept { return path_; }
    // The size when it was opened.
    std::uint64_t size() const noexcept { return size_; }

    // Reads up to n bytes at offset into `into`: the number read (0 at the
    // end of the file), or why not. Interrupted reads are retried.
    FileResult<std::size_t> readAt(std::uint64_t offset, void* into, std::size_t n) const;
    // Reads exactly n bytes at offset; false on an I/O error or when the
    // file ends first (it shrank since it was opened).
    bool readExactly(std::uint64_t offset, void* into, std::size_t n) const;

private:
    int fd_ = -1;
    std::filesystem::path path_;
    std::uint64_t size_ = 0;
};

}  // namespace kodrix
