// Text list reading: splitting and counting must agree on every input, and no
// line may hold a line end or a zero byte.
#include "catalogue/TextList.h"

#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> bytes(data, size);
    auto lines = kodrix::splitLines(bytes);
    if (lines.size() != kodrix::countLines(bytes)) std::abort();
    for (const auto& line : lines)
        if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) std::abort();
    return 0;
}
