#pragma once
// A walkthrough module whose resource directory claims more than it holds:
// one named RCDATA resource declares `declared` bytes. The module is laid out
// by the project's writer; then the resource's data entry and its section's
// raw size are raised and the file is lengthened to hold what is declared.
// The lengthening is sparse, so a module claiming gigabytes costs a few
// kilobytes of disk. The declared bytes begin with the resource's own
// content; the rest reads as zeros.
#include "catalogue/ByteCursor.h"
#include "catalogue/ByteWriter.h"
#include "catalogue/ResourceModule.h"
#include "tools/pack/PeWriter.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace kodrix::test {

inline void writeClaimingModule(const std::filesystem::path& path,
                                const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& resources,
                                const std::string& claiming, std::uint64_t declared) {
    pack::PeResourceWriter writer;
    for (const auto& [name, data] : resources) writer.addRcData(name, data);
    std::vector<std::uint8_t> bytes = writer.build();

    const auto module = ResourceModule::fromBytes(bytes);
    const auto data = module ? module->find(ResourceId::id(RT_RCDATA), ResourceId::fromText(claiming)) : std::nullopt;
    if (!data || data->empty()) throw std::logic_error("no resource " + claiming + " to raise");
    const std::uint64_t offset = static_cast<std::uint64_t>(data->data() - bytes.data());
    const std::uint32_t actual = static_cast<std::uint32_t>(data->size());

    // The one section the writer lays out: its header after the optional header.
    const std::uint32_t pe = le32(bytes.data() + 0x3C);
    const std::size_t section = pe + 24 + le16(bytes.data() + pe + 20);
    const std::uint32_t virtualAddress = le32(bytes.data() + section + 12);
    const std::uint32_t rawPointer = le32(bytes.data() + section + 20);
    const std::uint32_t rva = static_cast<std::uint32_t>(offset - rawPointer + virtualAddress);
    const std::uint64_t rawNeeded = offset - rawPointer + declared;
    if (rawNeeded > UINT32_MAX) throw std::logic_error("the claim does not fit a section");

    // The data entry: the resource's address and size, side by side.
    bool raised = false;
    for (std::size_t at = 0; at + 8 <= bytes.size() && !raised; at += 4) {
        if (le32(bytes.data() + at) == rva && le32(bytes.data() + at + 4) == actual) {
            put32(bytes, at + 4, static_cast<std::uint32_t>(declared));
            raised = true;
        }
    }
    if (!raised) throw std::logic_error("no data entry for " + claiming);
    if (rawNeeded > le32(bytes.data() + section + 16)) put32(bytes, section + 16, static_cast<std::uint32_t>(rawNeeded));

    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    if (rawPointer + rawNeeded > bytes.size()) std::filesystem::resize_file(path, rawPointer + rawNeeded);
}

}  // namespace kodrix::test
