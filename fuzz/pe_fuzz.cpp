// Resource modules from untrusted bytes: open, load strings, look up names.
#include "catalogue/Error.h"
#include "catalogue/ResourceModule.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto m = kodrix::ResourceModule::fromBytes({data, size});
    if (!m) return 0;
    for (std::uint32_t id : {0u, 1u, 15u, 16u, 100u, 65535u, 65536u + 17u}) m->loadString(id);
    try {
        m->namedData("name1");
    } catch (const kodrix::Error&) {
    }
    m->find(kodrix::ResourceId::fromText("#5"), kodrix::ResourceId::fromText("img1"));
    for (const auto& type : {kodrix::RT_GROUP_ICON, kodrix::RT_RCDATA, kodrix::RT_STRING}) {
        const auto names = m->names(kodrix::ResourceId::id(type));
        for (std::size_t i = 0; i < names.size() && i < 8; ++i) m->find(kodrix::ResourceId::id(type), names[i]);
    }
    return 0;
}
