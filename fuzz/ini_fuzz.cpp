// INI profile reading and integer conversion over arbitrary bytes.
#include "catalogue/IniProfile.h"
#include "catalogue/IntegerText.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto ini = kodrix::IniProfile::fromBytes(bytes);
    for (std::string_view section : {"G", "game", " [x] ", ""}) {
        for (std::string_view key : {"begin", "END", "icon", "k"}) {
            std::string value = ini.readString(section, key);
            if (value.size() > kodrix::IniProfile::kMaxValueBytes) std::abort();
            kodrix::parseInteger(value);
        }
    }
    // Every section listed is found, and its keys read back as listed.
    for (const std::string& section : ini.sectionNames()) {
        if (!ini.hasSection(section)) std::abort();
        for (const std::string& key : ini.keyNames(section))
            if (ini.readString(section, key).size() > kodrix::IniProfile::kMaxValueBytes) std::abort();
    }
    kodrix::parseInteger(bytes.substr(0, 64));
    return 0;
}
