#pragma once
// kodrix-cli grep: code search over many letter groups at once. Groups are
// searched in parallel, a few at a time, and their output is written in the
// groups' order, so memory stays within a few groups' modules.
#include "catalogue/GameSearch.h"
#include "tools/cli/Output.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kodrix::cli {

struct GrepGroup {
    std::string platform;            // as the chart shows it (cp1251): the first column
    std::filesystem::path platformDir;
    std::string group;               // as the letter list shows it (cp1251)
};

// Writes "PLATFORM<TAB>GAME<TAB>LINE" (UTF-8) for every matching code line of
// the groups, in their order, and each problem ("PLATFORM: message", or
// "PLATFORM<TAB>GAME: message" for one game) to err. Returns false when
// anything could not be searched. threads: how many groups are searched at
// once (at least 1). A write out refuses (OutputFailed) ends the search and
// is passed on once the workers have stopped.
bool grepGroups(const std::vector<GrepGroup>& groups, const GameMatcher& matcher, Output& out, Output& err,
                unsigned threads);

}  // namespace kodrix::cli
