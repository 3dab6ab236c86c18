#pragma once
// Game search: which names of a platform contain a piece of text, in any
// letter group and any letter case. The search tab and kodrix-cli share the
// match test and the walk over a platform's lists.
#include "TextList.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kodrix {

// The match test of one query. A name matches exactly when the upper-cased
// query (code page 1251 rules, Cyrillic and Ё included) occurs as a
// contiguous run of bytes in the upper-cased name; an empty query matches
// every name, the empty name included. A query that code page 1251 cannot
// hold (nullopt: a character outside it) occurs in no name and matches none.
//
// The test takes time linear in the name's length whatever the query: each
// byte of the name is looked at once, and after a partial match the query's
// own repeats say how much of it still matches (Knuth-Morris-Pratt).
class GameMatcher {
public:
    explicit GameMatcher(std::optional<std::string_view> queryCp1251);

    bool matches(std::string_view nameCp1251) const;
    // Calls fn with each line of text (lines end at CR or LF) that matches,
    // in order, for a non-empty query: one pass over the text, not a test
    // per line.
    void forEachMatchingLine(std::string_view textCp1251, const std::function<void(std::string_view)>& fn) const;
    // Lengths are counted in bytes, one byte per character; a query that
    // matches no name is longer than any name.
    std::size_t queryLength() const;

private:
    std::string upperQuery_;
    // For each length k of a partial match, the length of the longest
    // proper prefix of the query that ends its first k bytes.
    std::vector<std::size_t> fallback_;
    bool none_ = false;
};

// One-off form of the match test.
bool nameMatches(std::string_view nameCp1251, std::string_view queryCp1251);

struct PlatformSearch {
    TextLines matches;        // in collection order: group by group, as stored
    bool noDatabase = false;  // the platform lists no ".dat" file
};

// Searches every letter group of a platform as the search tab does, without
// its window: the groups in listing order, their names no shorter than the
// query, each tested once. A query code page 1251 cannot hold (nullopt)
// finds nothing. A list that cannot be opened throws the file error
// ("Cannot open file ...").
PlatformSearch searchPlatform(const std::filesystem::path& programDir, std::string_view platform,
                              std::optional<std::string_view> queryCp1251);

}  // namespace kodrix
