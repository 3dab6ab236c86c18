#pragma once
// 16-bit NE icon libraries (.icl), the format the catalogue keeps its game icons in.
#include <cstdint>
#include <string_view>
#include <vector>

namespace kodrix::pack {

// A 16-bit NE icon library: one icon group per .ico given, in order (group IDs 1..n ascending; RT_ICON IDs
// 1..m), alignment shift 4: an MZ stub, the NE header, the resource table
// (RT_ICON then RT_GROUP_ICON), the resident and non-resident name tables,
// then the data, each resource aligned to its unit.
// The shift grows past 4 only when the data would not otherwise be addressable
// (16-bit offsets in units of 1 << shift: 1 MiB at shift 4). Throws
// PackError for a damaged .ico.
std::vector<std::uint8_t> writeNeIconLibrary(const std::vector<std::vector<std::uint8_t>>& icoFiles,
                                             std::string_view moduleName = "KODRIX32");

}  // namespace kodrix::pack
