#include "GameSearch.h"

#include "CatalogueNames.h"
#include "Cp1251.h"
#include "Discovery.h"
#include "FolderIndex.h"
#include "TextList.h"

#include <algorithm>
#include <array>

namespace kodrix {
namespace {

const std::array<unsigned char, 256>& upperTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int b = 0; b < 256; ++b) t[b] = cp1251::toUpper(static_cast<unsigned char>(b));
        return t;
    }();
    return table;
}

}  // namespace

GameMatcher::GameMatcher(std::string_view query) : upperQuery_(cp1251::upper(query)) {}

bool GameMatcher::matches(std::string_view name) const {
    const std::size_t q = upperQuery_.size();
    if (q == 0) return true;
    if (name.size() < q) return false;
    // Every start position whose window still holds the whole query; a
    // window cut short at the end of the name never equals it.
    const auto& up = upperTable();
    const auto first = static_cast<unsigned char>(upperQuery_[0]);
    const auto* n = reinterpret_cast<const unsigned char*>(name.data());
    const auto* u = reinterpret_cast<const unsigned char*>(upperQuery_.data());
    const std::size_t last = name.size() - q;
    for (std::size_t p = 0; p <= last; ++p) {
        if (up[n[p]] != first) continue;
        std::size_t k = 1;
        while (k < q && up[n[p + k]] == u[k]) ++k;
        if (k == q) return true;
    }
    return false;
}

bool nameMatches(std::string_view name, std::string_view query) { return GameMatcher(query).matches(name); }

PlatformSearch searchPlatform(const std::filesystem::path& programDir, std::string_view platform,
                              std::string_view query) {
    PlatformSearch out;
    const Listing groups = listLetterGroups(programDir, platform);
    out.noDatabase = groups.noDatabase;
    const GameMatcher matcher(query);
    const FolderIndex folder(platformDir(programDir, platform));
    for (const std::string& group : groups.names) {
        forEachFileLine(folder.fileOrGuess(names::groupList(group)), [&](std::string_view name) {
            if (name.size() >= matcher.queryLength() && matcher.matches(name)) out.matches.emplace_back(name);
        });
    }
    return out;
}

}  // namespace kodrix
