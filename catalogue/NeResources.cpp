#include "NeResources.h"

#include "ByteCursor.h"

#include <algorithm>

namespace kodrix {

namespace {

constexpr std::size_t kMzHeaderSize = 0x40;
constexpr std::size_t kNeHeaderSize = 0x40;

char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiUpper(a[i]) != asciiUpper(b[i])) return false;
    return true;
}

}  // namespace

// The largest table that can pass the caps (the shift, kMaxTypes TYPEINFO
// records, kMaxResources NAMEINFO records, the end mark) with the names after
// it (each at most 1 + 255 bytes at an offset below 65536): reading that much
// of a file read on demand covers everything the table can point into.
constexpr std::uint64_t kMaxTableBytes = 2 + NeResources::kMaxTypes * 8 + NeResources::kMaxResources * 12 + 2 + 65536 + 256;

std::optional<NeResources> NeResources::parse(std::span<const std::uint8_t> file) {
    if (!rangeFits(0, kMzHeaderSize, file.size()) || le16(file.data()) != 0x5A4D) return std::nullopt;  // "MZ"
    const std::uint32_t neOffset = le32(file.data() + 0x3C);
    if (!rangeFits(neOffset, kNeHeaderSize, file.size())) return std::nullopt;
    NeResources out;
    out.file_ = file;
    return parseTable(std::move(out), neOffset, file.subspan(neOffset, kNeHeaderSize), file.subspan(neOffset));
}

std::optional<NeResources> NeResources::parse(const FileBytes& file) {
    const auto mz = file.read(0, kMzHeaderSize);
    if (!mz || le16(mz->data()) != 0x5A4D) return std::nullopt;  // "MZ"
    const std::uint32_t neOffset = le32(mz->data() + 0x3C);
    const auto ne = file.read(neOffset, kNeHeaderSize);
    if (!ne) return std::nullopt;
    // Everything from the NE header on that the table can reach.
    const std::uint64_t reach = std::min<std::uint64_t>(file.size() - neOffset, 0xFFFF + kMaxTableBytes);
    const auto onwards = file.read(neOffset, reach);
    if (!onwards) return std::nullopt;
    NeResources out;
    out.source_ = &file;
    return parseTable(std::move(out), neOffset, *ne, *onwards);
}

std::optional<NeResources> NeResources::parseTable(NeResources out, std::uint32_t neOffset,
                                                   std::span<const std::uint8_t> neHeader,
                                                   std::span<const std::uint8_t> onwards) {
    const std::uint8_t* ne = neHeader.data();
    if (ne[0] != 'N' || ne[1] != 'E') return std::nullopt;
    const std::uint16_t resourceTable = le16(ne + 0x24);
    const std::uint16_t residentNames = le16(ne + 0x26);
    // A module without resources has its resource table offset equal to the
    // resident-name table offset (or zero).
    if (resourceTable == 0 || resourceTable == residentNames) return out;

    out.tableOffset_ = std::size_t(neOffset) + resourceTable;
    ByteCursor c(onwards);
    if (!c.seek(resourceTable)) return std::nullopt;
    const std::uint16_t shift = c.u16();
    if (!c.ok() || shift > kMaxAlignShift) return std::nullopt;
    out.shift_ = shift;

    for (std::size_t types = 0;; ++types) {
        const std::uint16_t type = c.u16();
        if (!c.ok()) return std::nullopt;
        if (type == 0) break;  // end of the types
        if (types >= kMaxTypes) return std::nullopt;
        const std::uint16_t count = c.u16();
        c.skip(4);  // reserved
        // Check the whole record block before reserving room for it.
        if (!c.ok() || std::uint64_t(count) * 12 > c.remaining()) return std::nullopt;
        if (out.resources_.size() + count > kMaxResources) return std::nullopt;
        out.resources_.reserve(out.resources_.size() + count);
        for (std::uint16_t i = 0; i < count; ++i) {
            NeResource r;
            r.type = type;
            r.offset = c.u16();
            r.length = c.u16();
            r.flags = c.u16();
            r.id = c.u16();
            c.skip(4);  // handle and usage
            out.resources_.push_back(r);
        }
        if (!c.ok()) return std::nullopt;
    }
    return out;
}

std::vector<NeResource> NeResources::ofType(std::uint16_t typeNumber) const {
    std::vector<NeResource> out;
    for (const auto& r : resources_)
        if (r.hasIntegerType() && r.typeNumber() == typeNumber) out.push_back(r);
    return out;
}

std::vector<NeResource> NeResources::ofType(std::string_view wanted) const {
    std::vector<NeResource> out;
    for (const auto& r : resources_)
        if (!r.hasIntegerType() && equalsIgnoringAsciiCase(nameAt(r.type), wanted)) out.push_back(r);
    return out;
}

std::optional<NeResource> NeResources::find(std::uint16_t typeNumber, std::uint16_t idNumber) const {
    for (const auto& r : resources_)
        if (r.hasIntegerType() && r.typeNumber() == typeNumber && r.hasIntegerId() && r.idNumber() == idNumber)
            return r;
    return std::nullopt;
}

std::string NeResources::typeName(const NeResource& r) const {
    return r.hasIntegerType() ? std::string() : nameAt(r.type);
}

std::string NeResources::name(const NeResource& r) const {
    return r.hasIntegerId() ? std::string() : nameAt(r.id);
}

std::optional<std::span<const std::uint8_t>> NeResources::range(std::uint64_t offset, std::uint64_t length) const {
    if (source_) return source_->read(offset, length);
    if (!rangeFits(offset, length, file_.size())) return std::nullopt;
    return file_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
}

std::string NeResources::nameAt(std::uint16_t offsetInTable) const {
    const std::uint64_t at = std::uint64_t(tableOffset_) + offsetInTable;
    const auto len = range(at, 1);
    if (!len) return {};
    const auto text = range(at + 1, (*len)[0]);
    if (!text) return {};
    return std::string(reinterpret_cast<const char*>(text->data()), text->size());
}

std::optional<std::span<const std::uint8_t>> NeResources::bytes(const NeResource& r, std::uint64_t maxBytes) const {
    const std::uint64_t off = std::uint64_t(r.offset) << shift_;
    const std::uint64_t len = std::uint64_t(r.length) << shift_;
    const std::uint64_t size = fileSize();
    if (off > size) return std::nullopt;
    return range(off, std::min({len, size - off, maxBytes}));
}

}  // namespace kodrix
