#pragma once
// Resource-only Windows modules (PE32 and PE32+), read directly from the file:
// string tables and named data resources. The module is opened and released
// within one user action; the file stays open only while the object lives.
// Only what a lookup touches is read (the headers, the directory tables on
// its way, the resource itself), so looking at one resource of a module of
// many megabytes reads a few kilobytes; a file that shrinks or fails under
// the reader reads as damaged, never as a signal.
#include "FileBytes.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace kodrix {

// Resource types used by the catalogue.
enum : std::uint16_t { RT_ICON = 3, RT_STRING = 6, RT_RCDATA = 10, RT_GROUP_ICON = 14 };

// A resource type or name: a 16-bit ID or a name (the name's UTF-16 text).
struct ResourceId {
    std::variant<std::uint16_t, std::u16string> value;
    static ResourceId id(std::uint16_t v) { return {v}; }
    // "#123" means ID 123; any other text is a name, matched without regard to case.
    static ResourceId fromText(std::string_view cp1251Name);
    static ResourceId name(std::u16string v) { return {std::move(v)}; }
    bool isId() const { return value.index() == 0; }
    std::uint16_t idValue() const { return std::get<0>(value); }
    const std::u16string& nameValue() const { return std::get<1>(value); }
    bool operator==(const ResourceId&) const = default;
};

// The most a string yields: its load buffer holds 255 bytes with the
// terminating zero.
constexpr std::size_t kMaxStringBytes = 254;

// A resource name as the loader compares it: upper-cased code unit by code
// unit (Latin, Latin-1 and Cyrillic letters; other units unchanged).
std::u16string upperResourceName(std::u16string_view name);

// Lookups walk the tree lazily and keep a small cache of the last string
// block, so one module is not for use from several threads at once.
class ResourceModule {
public:
    // Opens a module; nullopt when the file is missing or is not a PE module
    // with a readable resource directory (a module without resources opens
    // and simply holds none).
    static std::optional<ResourceModule> open(const std::filesystem::path& path);
    // The same over a file already open (looked up once, see openFileEntry).
    static std::optional<ResourceModule> open(FileHandle&& file);
    static std::optional<ResourceModule> open(FileBytes&& file);
    // Over bytes already in memory (tests, fuzzing); the bytes must outlive the module.
    static std::optional<ResourceModule> fromBytes(std::span<const std::uint8_t> bytes);

    // The string with that ID in cp1251, at most maxBytes bytes (the 255-byte
    // buffer leaves 254); only the low 16 bits of the ID count. A missing ID or
    // a damaged table gives an empty text.
    std::string loadString(std::uint32_t id, std::size_t maxBytes = kMaxStringBytes) const;

    // Every string of the module that reads as a text (loadString gives it
    // non-empty), in ID order, with the text loadString gives: one pass over
    // the string tables. The view lasts for the call.
    void forEachString(const std::function<void(std::uint16_t id, std::string_view cp1251)>& fn,
                       std::size_t maxBytes = kMaxStringBytes) const;

    // The raw bytes of a resource of the given type and name, with the
    // loader's language choice; nullopt when absent, outside the file or
    // unreadable. The view stays valid while the module lives.
    // At most maxBytes of it are read and given.
    std::optional<std::span<const std::uint8_t>> find(const ResourceId& type, const ResourceId& name,
                                                      std::uint32_t maxBytes = UINT32_MAX) const;

    // The names of every resource of a type, in directory order (named
    // entries first, then IDs ascending).
    std::vector<ResourceId> names(const ResourceId& type) const;

    // RCDATA by name: the bytes, or Error("Resource %s not found") with the
    // name as asked.
    std::span<const std::uint8_t> namedData(std::string_view cp1251Name) const;

    // Bytes of the file read so far (0 for a module in memory).
    std::size_t bytesRead() const;

    ResourceModule(ResourceModule&&) noexcept;
    ResourceModule& operator=(ResourceModule&&) noexcept;
    ~ResourceModule();

private:
    ResourceModule();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kodrix
