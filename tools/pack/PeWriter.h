#pragma once
// Writes resource-only PE32 DLLs: string tables, named data and any other
// resource, laid out the way resource compilers and linkers lay them out, so
// that independent readers (and the system loader) accept the file.
#include "catalogue/ResourceModule.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kodrix::pack {

// Directory order: named entries first (by upper-case code units), then IDs ascending.
struct ResourceIdOrder {
    bool operator()(const kodrix::ResourceId& a, const kodrix::ResourceId& b) const;
};

class PeResourceWriter {
public:
    // Any resource; a name (not ID) is stored upper-cased, as resource compilers do.
    // A second resource with the same type, name and language replaces the first.
    void add(const kodrix::ResourceId& type, const kodrix::ResourceId& name, std::uint16_t language,
             std::vector<std::uint8_t> data);
    // A numbered string (cp1251 text), gathered into string-table blocks; language 0 (neutral).
    // Throws Error when the ID does not fit 16 bits or the text is longer than 65535 bytes.
    void addString(std::uint32_t id, std::string_view cp1251Text);
    // Named RCDATA (type 10), language 0.
    void addRcData(std::string_view cp1251Name, std::vector<std::uint8_t> data);
    std::vector<std::uint8_t> build() const;
    // Writes build() to a file; throws kodrix::Error("Cannot create file \"%s\". %s") on failure.
    void writeFile(const std::filesystem::path& path) const;

private:
    using Languages = std::map<std::uint16_t, std::vector<std::uint8_t>>;
    using Names = std::map<kodrix::ResourceId, Languages, ResourceIdOrder>;
    std::map<kodrix::ResourceId, Names, ResourceIdOrder> resources_;
    std::map<std::uint16_t, std::u16string> strings_;
};

}  // namespace kodrix::pack
