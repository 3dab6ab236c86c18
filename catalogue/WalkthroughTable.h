#pragma once
// The walkthrough library: the modules "sol\*.dll" beside the program, each
// carrying RCDATA "name1" (its display name, cp1251 lines), "File1" (the RTF
// document) and "img" + key (screenshots, JPEG).
//
// WalkthroughTable is filled once at start-up and never rebuilt: two parallel
// arrays of a fixed capacity (60000), ModuleFileName (the name the directory
// scan returned, extension included, no folder) and DisplayName, of which
// entries 0 to N-1 are in use, in scan order.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kodrix {

// What is read of a walkthrough module, whatever its resources claim:
// - of "name1", the first kMaxNameResourceBytes (the name ends at its first
//   line end or NUL long before);
// - of a display name, the first kMaxDisplayNameLength characters (the list
//   shows one line of it);
// - "File1" (the document) and "img" + key (screenshots) up to
//   kMaxWalkthroughResourceBytes each: a larger one is refused like a
//   missing one, "Resource %s not found", before any of it is read.
// A module whose directory declares gigabytes (a sparse file costs no disk)
// thus costs what is shown, not what is declared.
inline constexpr std::uint64_t kMaxNameResourceBytes = 4096;
inline constexpr std::size_t kMaxDisplayNameLength = 256;
inline constexpr std::uint64_t kMaxWalkthroughResourceBytes = std::uint64_t{64} << 20;

// The sort key of the list that shows the names: keys ordered byte-wise order
// the names as the list does (collation::sortKey for the program's lists;
// tests hand in orders of their own).
using NameSortKey = std::function<std::string(std::string_view cp1251)>;

// The display name held by a "name1" resource: its lines (split as text lists
// are: NUL ends the text; CR LF, CR and LF each end a line) and of these the
// one first in the list's order; of equal keys the earlier line. nullopt when
// the text has no line (empty, or starting with NUL).
std::optional<std::string> displayNameFromNameResource(std::span<const std::uint8_t> name1, const NameSortKey& sortKey);

class WalkthroughNamesAhead;

class WalkthroughTable {
public:
    static constexpr std::size_t kCapacity = 60000;

    // capacity: kCapacity in the program; tests pass a small one.
    explicit WalkthroughTable(std::size_t capacity = kCapacity);

    std::vector<std::string> ModuleFileName;
    std::vector<std::string> DisplayName;
    std::size_t N = 0;

    std::size_t capacity() const noexcept { return capacity_; }

    // Called once after each module the scan has read, listed or not (the
    // page lets pending window events through there).
    using ModuleHook = std::function<void()>;

    // Sets all capacity slots of both arrays to empty names, N := 0, then
    // scans programDir + "sol" for "*.dll" (any case) in the directory's
    // order and enters every usable module: one that opens as a module and
    // has a "name1" with at least one line. A display name longer than
    // kMaxDisplayNameLength is cut to that length. Unusable modules (directories,
    // FIFOs and other non-files, unreadable or damaged files, files shrinking
    // while read) are left out silently. The scan stops when the table is
    // full. Never throws for anything found on disk.
    // With names read ahead for the same programDir (not yet taken), the
    // table is entered from them instead, hooks and all.
    void build(const std::filesystem::path& programDir, const NameSortKey& sortKey, const ModuleHook& afterModule = {},
               WalkthroughNamesAhead* ahead = nullptr);

    // The first index in 0..N-1 whose DisplayName equals the text byte for
    // byte, or nullopt.
    std::optional<std::size_t> findWalkthrough(std::string_view displayName) const;

    // DisplayName[0..N-1], in table order.
    std::vector<std::string> displayNames() const;

    // The bytes of a resource of entry i's module, read afresh: the module is
    // opened, the resource copied, the module closed. Throws
    // Error("Resource %s not found") (with the resource's name) when the
    // module cannot be opened or lacks the resource, and
    // Error("List index out of bounds (%d)") for i outside 0..N-1. A
    // resource larger than kMaxWalkthroughResourceBytes is not found.
    std::vector<std::uint8_t> readResource(const std::filesystem::path& programDir, std::size_t i,
                                           std::string_view resourceName) const;
    // "File1": the walkthrough document.
    std::vector<std::uint8_t> readDocument(const std::filesystem::path& programDir, std::size_t i) const;
    // "img" + key: a screenshot.
    std::vector<std::uint8_t> readScreenshot(const std::filesystem::path& programDir, std::size_t i,
                                             std::string_view key) const;

private:
    void enter(std::string_view file, std::optional<std::string>&& name);
    std::size_t capacity_;
};

// The display names of a catalogue's walkthrough modules as build reads
// them, read on threads of their own from the moment this is made: the
// program starts them before its window is made, and the table's first
// build takes them. Waits for the reading when destroyed.
class WalkthroughNamesAhead {
public:
    WalkthroughNamesAhead(std::filesystem::path programDir, NameSortKey sortKey);
    ~WalkthroughNamesAhead();
    WalkthroughNamesAhead(const WalkthroughNamesAhead&) = delete;
    WalkthroughNamesAhead& operator=(const WalkthroughNamesAhead&) = delete;

private:
    friend class WalkthroughTable;
    struct Scan {
        bool read = false;                              // false: build reads the modules itself
        std::vector<std::string> files;                 // the modules, in the folder's order
        std::vector<std::optional<std::string>> names;  // their display names (none: unusable)
    };
    std::filesystem::path programDir_;
    std::future<Scan> scan_;
};

// The bytes of RCDATA resourceName of the module at path, or nullopt when
// the path is no regular file, cannot be read, is no module or lacks the
// resource, or the resource is larger than maxBytes. Reads the headers, the
// resource directory (looked for in the first 256 MB) and the resource, not
// the whole file; never blocks on a FIFO and never maps the file, so a file
// shrinking meanwhile is just unreadable.
std::optional<std::vector<std::uint8_t>> readModuleResource(const std::filesystem::path& path,
                                                            std::string_view resourceName,
                                                            std::uint64_t maxBytes = kMaxWalkthroughResourceBytes);

}  // namespace kodrix
