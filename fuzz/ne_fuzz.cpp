// Icon libraries from untrusted bytes: the NE resource table, every icon
// group rebuilt as an .ico (NE, PE or .ico input), and the rebuilt bytes
// checked to be a sound .ico.
#include "catalogue/IconLibrary.h"
#include "catalogue/NeResources.h"

#include <cstdint>
#include <cstdlib>
#include <span>

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
    for (unsigned i = 0; i < count && i < 8; ++i) {
        if (auto ico = kodrix::iconGroupAsIcoFromBytes(bytes, i)) {
            auto images = kodrix::readIcoDirectory(*ico, /*strict=*/true);
            if (!images || images->empty() || ico->size() > 3 * size + 64) std::abort();
        }
    }
    (void)kodrix::iconGroupAsIcoFromBytes(bytes, count);
    return 0;
}
