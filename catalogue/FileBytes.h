#pragma once
// The bytes of one file, memory-mapped for the length of one action.
// Closing (destruction) unmaps it; nothing stays open afterwards.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

namespace kodrix {

class FileBytes {
public:
    FileBytes() = default;
    ~FileBytes();
    FileBytes(FileBytes&& other) noexcept;
    FileBytes& operator=(FileBytes&& other) noexcept;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    // Opens and maps the whole file. On failure returns false and sets errnoOut.
    bool open(const std::filesystem::path& path, int* errnoOut = nullptr);
    void close() noexcept;

    bool isOpen() const noexcept { return open_; }
    std::span<const std::uint8_t> bytes() const noexcept { return {data_, size_}; }
    std::size_t size() const noexcept { return size_; }

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    bool mapped_ = false;
    bool open_ = false;
};

}  // namespace kodrix
