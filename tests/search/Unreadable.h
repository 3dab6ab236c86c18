#pragma once
// A list file that exists but cannot be opened: without read permission, or,
// for root (who reads anything), a link to a kernel file nobody may read.
// False when neither can be made on this machine.
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace kodrix::test {

inline bool makeUnreadable(const std::filesystem::path& path) {
    const std::filesystem::path writeOnly = "/sys/bus/pci/rescan";
    if (::geteuid() != 0) {
        std::ofstream(path) << "x\r\n";
        std::filesystem::permissions(path, std::filesystem::perms::none);
        return true;
    }
    if (std::filesystem::is_regular_file(writeOnly) && !std::ifstream(writeOnly)) {
        std::filesystem::create_symlink(writeOnly, path);
        return true;
    }
    return false;
}

}  // namespace kodrix::test
