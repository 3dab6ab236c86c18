#pragma once
// Game search: which names of a platform contain a piece of text, in any
// letter group and any letter case. The search tab and kodrix-cli share the
// match test and the walk over a platform's lists.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kodrix {

// The match test of one query. A name matches exactly when the upper-cased
// query (code page 1251 rules, Cyrillic and Ё included) occurs as a
// contiguous run of bytes in the upper-cased name; an empty query matches
// every name, the empty name included.
class GameMatcher {
public:
    explicit GameMatcher(std::string_view queryCp1251);

    bool matches(std::string_view nameCp1251) const;
    // Lengths are counted in bytes, one byte per character.
    std::size_t queryLength() const { return upperQuery_.size(); }

private:
    std::string upperQuery_;
};

// One-off form of the match test.
bool nameMatches(std::string_view nameCp1251, std::string_view queryCp1251);

struct PlatformSearch {
    std::vector<std::string> matches;  // in collection order: group by group, as stored
    bool noDatabase = false;           // the platform lists no ".dat" file
};

// Searches every letter group of a platform as the search tab does, without
// its window: the groups in listing order, their names no shorter than the
// query, each tested once. A list that cannot be opened throws the file
// error ("Cannot open file ...").
PlatformSearch searchPlatform(const std::filesystem::path& programDir, std::string_view platform,
                              std::string_view queryCp1251);

}  // namespace kodrix
