#pragma once
// The catalogue unpacker, the builder's inverse: a catalogue becomes the
// source tree that builds a catalogue every reader reads as it reads the
// first (platforms, groups, lists in file order, each game's code text, icons
// pixel for pixel, walkthrough names, documents and screenshots byte for
// byte). Unpacking what it built again gives the same tree.
//
// What is unpacked is what the program reaches: platforms and groups as
// their lists show them, walkthrough modules the walkthrough list takes.
// A letter group goes into the friendly form (<group>.txt) when that form
// says all the group holds, else it is kept as stored (<group>.raw/: its
// list, INI and strings as text). What cannot be read is never guessed: it is
// named with its reason among the summary's problems, after everything else
// is unpacked.
#include "tools/pack/CatalogueBuilder.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kodrix {
class IniProfile;
class ResourceModule;
}

namespace kodrix::pack {

struct UnpackSummary {
    std::size_t platforms = 0;
    std::size_t groups = 0;
    std::size_t keptGroups = 0;  // of them, kept as stored
    std::size_t games = 0;       // game-list lines
    std::size_t icons = 0;
    std::size_t walkthroughs = 0;
    std::vector<std::string> problems;  // UTF-8, one per thing that could not be read or written
};

// Unpacks the catalogue in catalogueDir into sourceDir, which must not exist
// or be empty (throws PackError otherwise, or when the catalogue cannot be
// listed).
UnpackSummary unpackCatalogue(const std::filesystem::path& catalogueDir, const std::filesystem::path& sourceDir);

// The group in the friendly form when that form says all it holds: every
// list line a distinct name (as the INI matches sections) without
// surrounding blanks; the INI's sections exactly those names, each with
// integer begin, end and icon and no other key; the module's every string
// read by some game and no longer than a code line shows; at most 65535 code
// lines in all. Otherwise nullopt. raw.entries and raw.strings must be
// present and read from ini and module.
std::optional<GroupSource> friendlyGroup(const RawGroupSource& raw, const IniProfile& ini, const ResourceModule& module);

}  // namespace kodrix::pack
