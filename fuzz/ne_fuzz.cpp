// Icon libraries from untrusted bytes: the NE resource table, every icon
// group rebuilt as an .ico (NE, PE or .ico input), and the rebuilt bytes
// checked to be a sound .ico; the library read from a file, block by block,
// must give the same icons.
#include "catalogue/IconLibrary.h"
#include "catalogue/NeResources.h"

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// The bytes as a file in memory; its path, valid while fd is open.
std::string asFile(const std::uint8_t* data, std::size_t size, int& fd) {
    fd = ::memfd_create("library", 0);
    if (fd < 0) return {};
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    if (auto table = kodrix::NeResources::parse(bytes)) {
        for (const auto& r : table->all()) {
            (void)table->name(r);
            (void)table->typeName(r);
            if (auto b = table->bytes(r); b && !b->empty() && b->data() + b->size() > data + size) std::abort();
        }
    }
    const unsigned count = kodrix::iconGroupCountFromBytes(bytes);
    int fd = -1;
    const std::string path = asFile(data, size, fd);
    if (!path.empty() && kodrix::iconGroupCount(path) != count) std::abort();
    for (unsigned i = 0; i < count && i < 8; ++i) {
        auto ico = kodrix::iconGroupAsIcoFromBytes(bytes, i);
        if (ico) {
            auto images = kodrix::readIcoDirectory(*ico, /*strict=*/true);
            if (!images || images->empty() || ico->size() > 3 * size + 64) std::abort();
        }
        if (!path.empty() && kodrix::iconGroupAsIco(path, i) != ico) std::abort();
    }
    (void)kodrix::iconGroupAsIcoFromBytes(bytes, count);
    if (fd >= 0) ::close(fd);
    return 0;
}
