#pragma once
// Line counts of list files kept between uses: a file is counted again only
// when it may have changed. The code page's letter change sums the lines of
// every list of a platform each time; with these counts it reads only the
// lists that changed since.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>

namespace kodrix {

class LineCounts {
public:
    // settledNs: how long a file must have been left alone before its count
    // is kept, in nanoseconds; more than the coarsest file-system clock tick
    // (two seconds).
    explicit LineCounts(std::int64_t settledNs = 5'000'000'000) : settledNs_(settledNs) {}

    // The file's number of lines by the list reading rules (countFileLines),
    // which throws as it does. A count is reused while the file is the same
    // file (device and inode) with the same size, modification time and
    // change time. A file changed shortly before it was counted could change
    // again within the same tick of its file system's clock, so its count is
    // not kept until it has been left alone for a few seconds.
    std::size_t count(const std::filesystem::path& path);

private:
    struct Entry {
        std::uint64_t device = 0, inode = 0, size = 0;
        std::int64_t modified = 0, changed = 0;  // nanoseconds
        std::size_t lines = 0;
        bool operator==(const Entry& o) const {
            return device == o.device && inode == o.inode && size == o.size && modified == o.modified &&
                   changed == o.changed;
        }
    };
    std::int64_t settledNs_;
    std::unordered_map<std::string, Entry> entries_;
};

}  // namespace kodrix
