#pragma once
// The resource table of a 16-bit NE module (icon libraries), read directly
// from the file. Every offset and count is checked against the file; the
// table keeps only the raw 10-byte records, so it never holds more than the
// file it was read from.
#include "FileBytes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kodrix {

// One NAMEINFO record with the type it belongs to, as stored.
struct NeResource {
    std::uint16_t type = 0;    // rtTypeID: bit 15 set = integer type, else offset of the type name
    std::uint16_t id = 0;      // rnID: bit 15 set = integer ID, else offset of the name
    std::uint16_t offset = 0;  // rnOffset, in alignment units
    std::uint16_t length = 0;  // rnLength, in alignment units
    std::uint16_t flags = 0;   // rnFlags

    bool hasIntegerType() const noexcept { return (type & 0x8000) != 0; }
    bool hasIntegerId() const noexcept { return (id & 0x8000) != 0; }
    std::uint16_t typeNumber() const noexcept { return type & 0x7FFF; }
    std::uint16_t idNumber() const noexcept { return id & 0x7FFF; }
};

class NeResources {
public:
    // Most records and types a table may declare; more means a damaged file.
    static constexpr std::size_t kMaxResources = 65535;
    static constexpr std::size_t kMaxTypes = 4096;
    // Largest alignment shift accepted (real files use 4 and 9).
    static constexpr unsigned kMaxAlignShift = 24;

    // Reads the resource table of an NE file (MZ header, NE header, table).
    // nullopt when the bytes are not an NE module or its table is damaged;
    // a module whose table is empty or absent holds no resources.
    static std::optional<NeResources> parse(std::span<const std::uint8_t> file);
    // The same over a file read on demand: the headers and the table are
    // read, each resource when its bytes are asked for. The file must
    // outlive the table.
    static std::optional<NeResources> parse(const FileBytes& file);

    unsigned alignShift() const noexcept { return shift_; }
    // Every record in table order.
    const std::vector<NeResource>& all() const noexcept { return resources_; }

    // The resources of an integer type (RT_ICON = 3, RT_GROUP_ICON = 14 …)
    // in table order, across every TYPEINFO record of that type.
    std::vector<NeResource> ofType(std::uint16_t typeNumber) const;
    // The resources of a named type (ASCII case-insensitive).
    std::vector<NeResource> ofType(std::string_view typeName) const;

    // The first resource of an integer type with an integer ID.
    std::optional<NeResource> find(std::uint16_t typeNumber, std::uint16_t idNumber) const;

    // The type's or resource's name (empty for integer ones, or when the
    // name lies outside the table).
    std::string typeName(const NeResource& r) const;
    std::string name(const NeResource& r) const;

    // The resource's bytes: rnLength << shift bytes at rnOffset << shift,
    // cut at the end of the file (some writers leave the last resource
    // unpadded) and at maxBytes (the rest is never read); nullopt when it
    // starts beyond the file or cannot be read.
    std::optional<std::span<const std::uint8_t>> bytes(const NeResource& r,
                                                       std::uint64_t maxBytes = UINT64_MAX) const;

private:
    static std::optional<NeResources> parseTable(NeResources out, std::uint32_t neOffset,
                                                 std::span<const std::uint8_t> neHeader,
                                                 std::span<const std::uint8_t> tableOnwards);
    std::string nameAt(std::uint16_t offsetInTable) const;
    std::optional<std::span<const std::uint8_t>> range(std::uint64_t offset, std::uint64_t length) const;
    std::uint64_t fileSize() const noexcept { return source_ ? source_->size() : file_.size(); }

    std::span<const std::uint8_t> file_;  // the file in memory, or:
    const FileBytes* source_ = nullptr;   // the file read on demand
    std::size_t tableOffset_ = 0;  // absolute offset of the resource table
    unsigned shift_ = 0;
    std::vector<NeResource> resources_;
};

}  // namespace kodrix
