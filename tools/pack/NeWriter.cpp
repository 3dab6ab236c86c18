#include "NeWriter.h"

#include "PackError.h"
#include "catalogue/ByteWriter.h"
#include "catalogue/IconLibrary.h"

#include <string>

namespace kodrix::pack {

namespace {

constexpr std::uint16_t kIconFlags = 0x1010;   // moveable, discardable
constexpr std::uint16_t kGroupFlags = 0x1030;  // moveable, pure, discardable
constexpr unsigned kPreferredShift = 4;
constexpr std::uint16_t kTypeIcon = 3;        // RT_ICON
constexpr std::uint16_t kTypeGroupIcon = 14;  // RT_GROUP_ICON

// A length-prefixed name, as the resident and resource name tables hold them.
void pascal(ByteWriter& w, std::string_view s) {
    w.u8(std::uint8_t(s.size()));
    w.append(s);
}

std::uint64_t units(std::uint64_t n, unsigned shift) { return (n + (std::uint64_t(1) << shift) - 1) >> shift; }

}  // namespace

std::vector<std::uint8_t> writeNeIconLibrary(const std::vector<std::vector<std::uint8_t>>& icoFiles,
                                             std::string_view moduleName) {
    if (moduleName.size() > 255) moduleName = moduleName.substr(0, 255);

    // Images (RT_ICON 1..m) and groups (RT_GROUP_ICON 1..n), in the order given.
    std::vector<IcoImage> images;
    std::vector<std::vector<std::uint8_t>> groups;
    for (std::size_t i = 0; i < icoFiles.size(); ++i) {
        auto entries = readIcoDirectory(icoFiles[i], /*strict=*/true);
        if (!entries || entries->empty())
            throw PackError("Damaged icon number " + std::to_string(i + 1) + " for the icon library");
        ByteWriter g;
        g.u16(0);
        g.u16(1);
        g.u16(static_cast<std::uint16_t>(entries->size()));
        for (const auto& e : *entries) {
            images.push_back(e);
            if (images.size() > 0x7FFF) throw PackError("Too many icon images for an icon library");
            g.u8(e.width);
            g.u8(e.height);
            g.u8(e.colorCount);
            g.u8(e.reserved);
            g.u16(e.planes);
            g.u16(e.bitCount);
            g.u32(static_cast<std::uint32_t>(e.data.size()));
            g.u16(static_cast<std::uint16_t>(images.size()));
        }
        groups.push_back(std::move(g.bytes));
    }
    if (groups.size() > 0x7FFF) throw PackError("Too many icons for an icon library");

    const std::size_t resourceCount = images.size() + groups.size();
    const bool hasResources = resourceCount > 0;
    const std::size_t resourceTableSize = 2 + (hasResources ? 2 * 8 + 12 * resourceCount : 0) + 2 + 1;

    ByteWriter w;
    // MZ header: no DOS program, the NE header follows at 0x40.
    w.u16(0x5A4D);
    w.u16(0x40);  // bytes on the last page
    w.u16(1);     // pages
    w.u16(0);     // relocations
    w.u16(4);     // header paragraphs
    w.u16(0);
    w.u16(0xFFFF);
    w.zeros(0x18 - w.size());
    w.u16(0x40);  // e_lfarlc: a new-format executable
    w.zeros(0x3C - w.size());
    w.u32(0x40);  // e_lfanew

    const std::size_t ne = w.size();
    const std::size_t resourceTable = 0x40;
    const std::size_t residentNames = resourceTable + resourceTableSize;
    const std::size_t moduleRefs = residentNames + 1 + moduleName.size() + 2 + 1;
    const std::size_t importedNames = moduleRefs;  // no module references
    const std::size_t entryTable = importedNames + 1;
    const std::size_t entryTableSize = 2;
    const std::size_t nonResident = ne + entryTable + entryTableSize;
    const std::size_t nonResidentSize = 1 + moduleName.size() + 2 + 1;

    w.u8('N');
    w.u8('E');
    w.u8(5);
    w.u8(10);
    w.u16(static_cast<std::uint16_t>(entryTable));
    w.u16(static_cast<std::uint16_t>(entryTableSize));
    w.u32(0);       // CRC
    w.u16(0x8000);  // library module
    w.zeros(ne + 0x1C - w.size());
    w.u16(0);  // segments
    w.u16(0);  // module references
    w.u16(static_cast<std::uint16_t>(nonResidentSize));
    w.u16(static_cast<std::uint16_t>(resourceTable));  // segment table (empty)
    w.u16(static_cast<std::uint16_t>(resourceTable));
    w.u16(static_cast<std::uint16_t>(residentNames));
    w.u16(static_cast<std::uint16_t>(moduleRefs));
    w.u16(static_cast<std::uint16_t>(importedNames));
    w.u32(static_cast<std::uint32_t>(nonResident));
    w.u16(0);  // movable entries
    w.u16(0);  // segment alignment shift (no segments)
    w.u16(0);  // resource segments
    w.u8(2);   // Windows
    w.zeros(ne + 0x3E - w.size());
    w.u16(0x030A);  // Windows 3.10

    // Where the data goes, and the smallest shift from 4 up that addresses it.
    std::size_t dataStart = nonResident + nonResidentSize;
    unsigned shift = kPreferredShift;
    for (;; ++shift) {
        if (shift > 15) throw PackError("Too much icon data for an icon library");
        std::uint64_t pos = units(dataStart, shift);
        bool fits = true;
        auto place = [&](std::uint64_t n) {
            const std::uint64_t len = units(n, shift);
            if (pos > 0xFFFF || len > 0xFFFF) fits = false;
            pos += len;
        };
        for (const auto& img : images) place(img.data.size());
        for (const auto& g : groups) place(g.size());
        if (fits) break;
    }

    // Resource table.
    w.u16(static_cast<std::uint16_t>(shift));
    std::uint64_t pos = units(dataStart, shift);
    auto nameInfo = [&](std::uint64_t n, std::uint16_t flags, std::size_t id) {
        const std::uint64_t len = units(n, shift);
        w.u16(static_cast<std::uint16_t>(pos));
        w.u16(static_cast<std::uint16_t>(len));
        w.u16(flags);
        w.u16(static_cast<std::uint16_t>(0x8000 | id));
        w.u32(0);
        pos += len;
    };
    if (hasResources) {
        w.u16(0x8000 | kTypeIcon);
        w.u16(static_cast<std::uint16_t>(images.size()));
        w.u32(0);
        for (std::size_t i = 0; i < images.size(); ++i) nameInfo(images[i].data.size(), kIconFlags, i + 1);
        w.u16(0x8000 | kTypeGroupIcon);
        w.u16(static_cast<std::uint16_t>(groups.size()));
        w.u32(0);
        for (std::size_t i = 0; i < groups.size(); ++i) nameInfo(groups[i].size(), kGroupFlags, i + 1);
    }
    w.u16(0);  // end of types
    w.u8(0);   // no resource names

    pascal(w, moduleName);  // resident names: the module name, ordinal 0
    w.u16(0);
    w.u8(0);
    w.u8(0);  // imported names
    w.zeros(entryTableSize);
    pascal(w, moduleName);  // non-resident names: the description
    w.u16(0);
    w.u8(0);

    const std::size_t unit = std::size_t(1) << shift;
    w.alignTo(unit);
    for (const auto& img : images) {
        w.bytes.insert(w.bytes.end(), img.data.begin(), img.data.end());
        w.alignTo(unit);
    }
    for (const auto& g : groups) {
        w.bytes.insert(w.bytes.end(), g.begin(), g.end());
        w.alignTo(unit);
    }
    return std::move(w.bytes);
}

}  // namespace kodrix::pack
