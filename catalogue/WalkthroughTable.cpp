#include "WalkthroughTable.h"

#include "ByteCursor.h"
#include "CatalogueFs.h"
#include "CatalogueNames.h"
#include "Error.h"
#include "FileHandle.h"
#include "Messages.h"
#include "Parallel.h"
#include "ResourceModule.h"
#include "TextList.h"

#include <algorithm>
#include <cstring>
#include <future>
#include <sys/mman.h>

namespace kodrix {
namespace {

// A module is read in growing pieces from its start: the headers and the
// resource directory of a resource-only module lie in its first few
// kilobytes, whatever its size. The directory is looked for in at most the
// first kMaxDirectoryBytes; the resource's own bytes may lie anywhere.
constexpr std::uint64_t kFirstRead = 4 << 10;
constexpr std::uint64_t kGrowth = 8;
constexpr std::uint64_t kMaxDirectoryBytes = std::uint64_t{256} << 20;
constexpr std::uint64_t kSmallestModule = 0x40;  // the DOS header

// Reads resources of modules through a view of the whole file in address
// space that costs nothing until written: what has not been read from the
// file reads as zeros. One reader serves a whole scan, so the view is mapped
// once (mapping and unmapping per module would cost more than the reading).
class ModuleResourceReader {
public:
    ModuleResourceReader() = default;
    ~ModuleResourceReader() { release(); }
    ModuleResourceReader(const ModuleResourceReader&) = delete;
    ModuleResourceReader& operator=(const ModuleResourceReader&) = delete;

    // A resource larger than maxBytes is refused, or, with Oversize::Cut,
    // only its first maxBytes are read and given.
    enum class Oversize { Refuse, Cut };
    std::optional<std::vector<std::uint8_t>> read(const std::filesystem::path& path, std::string_view resourceName,
                                                  std::uint64_t maxBytes, Oversize oversize);

private:
    // A zeroed view of at least n bytes.
    std::uint8_t* view(std::size_t n);
    void release() noexcept {
        if (base_) ::munmap(base_, reserved_);
        base_ = nullptr;
        reserved_ = written_ = 0;
    }

    std::uint8_t* base_ = nullptr;
    std::size_t reserved_ = 0;
    std::size_t written_ = 0;  // bytes to zero before the next use
};

std::uint8_t* ModuleResourceReader::view(std::size_t n) {
    if (n > reserved_) {
        release();
        void* p = ::mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (p == MAP_FAILED) return nullptr;
        base_ = static_cast<std::uint8_t*>(p);
        reserved_ = n;
    } else {
        std::memset(base_, 0, written_);
    }
    written_ = 0;
    return base_;
}

std::optional<std::vector<std::uint8_t>> ModuleResourceReader::read(const std::filesystem::path& path,
                                                                    std::string_view resourceName,
                                                                    std::uint64_t maxBytes, Oversize oversize) {
    // A regular file only, opened without waiting (see FileHandle).
    const auto opened = FileHandle::open(path);
    if (!opened) return std::nullopt;
    const FileHandle& file = *opened;
    const std::uint64_t size = file.size();
    if (size < kSmallestModule || size > SIZE_MAX / 2) return std::nullopt;

    std::uint8_t* const buffer = view(static_cast<std::size_t>(size));
    if (!buffer) return std::nullopt;
    const std::span<const std::uint8_t> whole(buffer, static_cast<std::size_t>(size));
    const ResourceId type = ResourceId::id(RT_RCDATA);
    const ResourceId name = ResourceId::fromText(resourceName);

    // Beyond what has been read the view holds zeros, which the resource
    // directory never mistakes for an entry of a named resource: at worst a
    // lookup finds nothing, or an empty resource, and the next, larger piece
    // settles it.
    const std::uint64_t limit = std::min(size, kMaxDirectoryBytes);
    std::uint64_t loaded = 0;
    for (std::uint64_t want = std::min(limit, kFirstRead);; want = std::min(limit, want * kGrowth)) {
        written_ = static_cast<std::size_t>(want);
        if (!file.readExactly(loaded, buffer + loaded, static_cast<std::size_t>(want - loaded))) return std::nullopt;
        loaded = want;
        const bool complete = loaded == limit;
        const auto module = ResourceModule::fromBytes(whole);
        if (!module) {
            if (complete) return std::nullopt;
            continue;
        }
        const auto data = module->find(type, name);
        if (!data || (data->empty() && !complete)) {
            if (complete) return std::nullopt;
            continue;
        }
        // The size is the directory's claim: checked before anything of the
        // resource is read or held.
        std::uint64_t length = data->size();
        if (length > maxBytes) {
            if (oversize == Oversize::Refuse) return std::nullopt;
            length = maxBytes;
        }
        const auto offset = static_cast<std::uint64_t>(data->data() - buffer);
        if (rangeFits(offset, length, loaded)) return std::vector<std::uint8_t>(data->begin(), data->begin() + length);
        std::vector<std::uint8_t> out(static_cast<std::size_t>(length));
        if (!file.readExactly(offset, out.data(), out.size())) return std::nullopt;
        return out;
    }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> readModuleResource(const std::filesystem::path& path,
                                                            std::string_view resourceName, std::uint64_t maxBytes) {
    ModuleResourceReader reader;
    return reader.read(path, resourceName, maxBytes, ModuleResourceReader::Oversize::Refuse);
}

std::optional<std::string> displayNameFromNameResource(std::span<const std::uint8_t> name1, const NameSortKey& sortKey) {
    std::vector<std::string> lines = splitLines(name1);
    if (lines.empty()) return std::nullopt;
    // An empty line sorts before any other, whatever the collation.
    for (auto& line : lines)
        if (line.empty()) return std::string();
    if (lines.size() == 1) return std::move(lines.front());
    // Without a collation, byte order.
    const auto keyOf = [&](const std::string& line) { return sortKey ? sortKey(line) : line; };
    std::size_t best = 0;
    std::string bestKey = keyOf(lines[0]);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::string key = keyOf(lines[i]);
        if (key < bestKey) {
            best = i;
            bestKey = std::move(key);
        }
    }
    return std::move(lines[best]);
}

namespace {

// The display name of the module at path, cut to kMaxDisplayNameLength, or
// nullopt when the module is unusable. Never throws.
std::optional<std::string> nameOf(ModuleResourceReader& reader, const std::filesystem::path& path,
                                  const NameSortKey& sortKey) noexcept {
    try {
        if (auto bytes = reader.read(path, names::kWalkthroughName, kMaxNameResourceBytes, ModuleResourceReader::Oversize::Cut)) {
            if (auto name = displayNameFromNameResource(*bytes, sortKey)) {
                if (name->size() > kMaxDisplayNameLength) name->resize(kMaxDisplayNameLength);
                return name;
            }
        }
    } catch (const std::exception&) {
        // A module too large to hold its name in memory is unusable like any other.
    }
    return std::nullopt;
}

}  // namespace

WalkthroughTable::WalkthroughTable(std::size_t capacity) : capacity_(capacity) {}

namespace {

// The names are read a batch of modules at a time, on as many threads as
// there are cores (up to four): the work is mostly the system's, opening and
// reading thousands of files.
constexpr std::size_t kBatch = 128;

// Reads the display names of entries[first, first + count) into names, a
// reader to each thread.
void readNames(const std::vector<DirEntry>& entries, std::size_t first, std::size_t count, const NameSortKey& sortKey,
               std::vector<ModuleResourceReader>& readers, std::optional<std::string>* names) {
    const unsigned threads = count > 16 ? static_cast<unsigned>(readers.size()) : 1u;
    forEachIndex(count, threads, [&](unsigned thread, std::size_t i) {
        names[i] = nameOf(readers[thread], entries[first + i].path, sortKey);
    });
}

}  // namespace

void WalkthroughTable::enter(std::string_view file, std::optional<std::string>&& name) {
    if (!name) return;
    DisplayName[N] = std::move(*name);
    ModuleFileName[N] = file;
    ++N;
}

void WalkthroughTable::build(const std::filesystem::path& programDir, const NameSortKey& sortKey,
                             const ModuleHook& afterModule, WalkthroughNamesAhead* ahead) {
    ModuleFileName.assign(capacity_, std::string());
    DisplayName.assign(capacity_, std::string());
    N = 0;

    if (ahead && ahead->scan_.valid() && ahead->programDir_ == programDir) {
        WalkthroughNamesAhead::Scan scan = ahead->scan_.get();
        if (scan.read) {
            for (std::size_t i = 0; i < scan.files.size() && N < capacity_; ++i) {
                enter(scan.files[i], std::move(scan.names[i]));
                if (afterModule) afterModule();
            }
            return;
        }
    }

    const auto sol = findEntry(programDir, names::kWalkthroughFolder, EntryKind::Directory);
    if (!sol) return;
    const auto entries = listFilesWithExtension(*sol, names::kModuleExtension);
    if (!entries) return;
    // Each batch is entered in the folder's order, the hook called after
    // each module, so a long scan lets window events through between
    // batches.
    std::vector<ModuleResourceReader> readers(workerThreads());
    std::vector<std::optional<std::string>> names(kBatch);
    for (std::size_t first = 0; first < entries->size() && N < capacity_; first += kBatch) {
        const std::size_t count = std::min(kBatch, entries->size() - first);
        readNames(*entries, first, count, sortKey, readers, names.data());
        for (std::size_t i = 0; i < count && N < capacity_; ++i) {
            enter((*entries)[first + i].name, std::move(names[i]));
            if (afterModule) afterModule();
        }
    }
}

WalkthroughNamesAhead::WalkthroughNamesAhead(std::filesystem::path programDir, NameSortKey sortKey)
    : programDir_(std::move(programDir)) {
    scan_ = std::async(std::launch::async, [dir = programDir_, sortKey = std::move(sortKey)]() noexcept {
        Scan scan;
        try {
            const auto sol = findEntry(dir, names::kWalkthroughFolder, EntryKind::Directory);
            const auto entries = sol ? listFilesWithExtension(*sol, names::kModuleExtension)
                                     : FileResult<std::vector<DirEntry>>(std::vector<DirEntry>());
            if (!entries) return scan;
            std::vector<ModuleResourceReader> readers(workerThreads());
            scan.names.resize(entries->size());
            for (std::size_t first = 0; first < entries->size(); first += kBatch)
                readNames(*entries, first, std::min(kBatch, entries->size() - first), sortKey, readers,
                          scan.names.data() + first);
            for (const DirEntry& e : *entries) scan.files.push_back(e.name);
            scan.read = true;
        } catch (...) {
            scan = Scan();  // the build reads the modules itself
        }
        return scan;
    });
}

WalkthroughNamesAhead::~WalkthroughNamesAhead() {
    if (scan_.valid()) scan_.wait();
}

std::optional<std::size_t> WalkthroughTable::findWalkthrough(std::string_view displayName) const {
    for (std::size_t i = 0; i < N; ++i)
        if (DisplayName[i] == displayName) return i;
    return std::nullopt;
}

std::vector<std::string> WalkthroughTable::displayNames() const {
    return std::vector<std::string>(DisplayName.begin(), DisplayName.begin() + static_cast<std::ptrdiff_t>(N));
}

std::vector<std::uint8_t> WalkthroughTable::readResource(const std::filesystem::path& programDir, std::size_t i,
                                                         std::string_view resourceName) const {
    if (i >= N) throw Error(messages::listIndexOutOfBounds(static_cast<std::int64_t>(i)));
    const std::string relative = std::string(names::kWalkthroughFolder) + "\\" + ModuleFileName[i];
    if (const auto path = resolvePath(programDir, relative, EntryKind::File))
        if (auto bytes = readModuleResource(*path, resourceName)) return std::move(*bytes);
    throw Error(messages::resourceNotFound(resourceName));
}

std::vector<std::uint8_t> WalkthroughTable::readDocument(const std::filesystem::path& programDir, std::size_t i) const {
    return readResource(programDir, i, names::kWalkthroughDocument);
}

std::vector<std::uint8_t> WalkthroughTable::readScreenshot(const std::filesystem::path& programDir, std::size_t i,
                                                           std::string_view key) const {
    return readResource(programDir, i, std::string(names::kScreenshotPrefix) + std::string(key));
}

}  // namespace kodrix
