#include "LineCounts.h"

#include "TextList.h"

#include <ctime>

#include <sys/stat.h>

namespace kodrix {
namespace {

std::int64_t nanoseconds(const timespec& t) { return std::int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

}  // namespace

std::size_t LineCounts::count(const std::filesystem::path& path) {
    struct stat st {};
    const bool described = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    Entry now;
    if (described) {
        now.device = static_cast<std::uint64_t>(st.st_dev);
        now.inode = static_cast<std::uint64_t>(st.st_ino);
        now.size = static_cast<std::uint64_t>(st.st_size);
        now.modified = nanoseconds(st.st_mtim);
        now.changed = nanoseconds(st.st_ctim);
        const auto known = entries_.find(path.native());
        if (known != entries_.end() && known->second == now) return known->second.lines;
    }
    timespec started{};
    ::clock_gettime(CLOCK_REALTIME, &started);
    // Any change to the file sets its change time to the time of the change:
    // one after the stat above makes the next call count again, and one
    // within the settling time keeps the count from being kept.
    now.lines = countFileLines(path);
    if (described && now.changed < nanoseconds(started) - settledNs_)
        entries_[path.native()] = now;
    else
        entries_.erase(path.native());
    return now.lines;
}

}  // namespace kodrix
