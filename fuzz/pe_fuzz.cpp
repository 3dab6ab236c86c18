// Resource modules from untrusted bytes: open, load strings, look up names;
// the same module read from a file, block by block, must give the same, and
// so must the walkthrough reader (pieces from the start, a size limit).
#include "catalogue/Error.h"
#include "catalogue/ResourceModule.h"
#include "catalogue/WalkthroughTable.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// The bytes as a file (in memory), opened as the program opens modules; the
// walkthrough reader's resources checked against the module's while it is open.
std::optional<kodrix::ResourceModule> openAsFile(const std::uint8_t* data, std::size_t size) {
    const int fd = ::memfd_create("module", 0);
    if (fd < 0) return std::nullopt;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    auto m = kodrix::ResourceModule::open(path);
    for (const char* name : {"name1", "File1"}) {
        const auto whole = m ? m->find(kodrix::ResourceId::id(kodrix::RT_RCDATA), kodrix::ResourceId::fromText(name))
                             : std::nullopt;
        const auto read = kodrix::readModuleResource(path, name, 4096);
        if (whole && whole->size() <= 4096 ? !read || !std::equal(whole->begin(), whole->end(), read->begin(), read->end())
                                           : read.has_value())
            std::abort();
    }
    ::close(fd);
    return m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto m = kodrix::ResourceModule::fromBytes({data, size});
    auto file = openAsFile(data, size);
    if (m.has_value() != file.has_value()) std::abort();
    if (!m) return 0;
    for (std::uint32_t id : {0u, 1u, 15u, 16u, 100u, 65535u, 65536u + 17u})
        if (m->loadString(id) != file->loadString(id)) std::abort();
    // One pass over the string tables gives what loading each string gives.
    long previous = -1;
    m->forEachString([&](std::uint16_t id, std::string_view text) {
        if (id <= previous || text.empty() || text != m->loadString(id)) std::abort();
        previous = id;
    });
    try {
        m->namedData("name1");
    } catch (const kodrix::Error&) {
    }
    m->find(kodrix::ResourceId::fromText("#5"), kodrix::ResourceId::fromText("img1"));
    for (const auto& type : {kodrix::RT_GROUP_ICON, kodrix::RT_RCDATA, kodrix::RT_STRING}) {
        const auto names = m->names(kodrix::ResourceId::id(type));
        if (file->names(kodrix::ResourceId::id(type)) != names) std::abort();
        for (std::size_t i = 0; i < names.size() && i < 8; ++i) {
            const auto a = m->find(kodrix::ResourceId::id(type), names[i]);
            const auto b = file->find(kodrix::ResourceId::id(type), names[i]);
            if (a.has_value() != b.has_value() || (a && !std::equal(a->begin(), a->end(), b->begin(), b->end())))
                std::abort();
        }
    }
    return 0;
}
