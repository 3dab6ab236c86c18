#pragma once
// Code search: the lines of a letter group's code text that contain a piece
// of text, matched as game search matches names (GameMatcher: any letter
// case, Cyrillic included). kodrix-cli's grep runs it over every group of
// the library.
#include "GameSearch.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kodrix {

struct CodeSearchEvents {
    // A matching line (cp1251) of a game: games in the list's sorted order,
    // each name once however often the list holds it, lines in ID order.
    std::function<void(std::string_view game, std::string_view line)> line;
    // What kept part of the group from being searched, with the program's
    // message: game is empty when it is the whole group (a list, INI or
    // module missing or unreadable), else the game whose entry is no range.
    std::function<void(std::string_view game, const std::string& message)> problem;
};

// The memory a search works in: the module's bytes and which of its strings
// match. A caller searching many groups keeps it from group to group, so it
// is taken once (it grows to the largest module) and only the copying of
// bytes is paid again.
struct CodeSearchMemory {
    std::vector<std::uint8_t> module;
    std::vector<std::uint8_t> state;                          // per string ID
    std::vector<std::pair<std::uint32_t, std::uint32_t>> where;  // a matching string's place in text
    std::string text;                                         // the matching strings
};

// Searches letter group `group` (as the letter list shows it) of the
// platform folder. A game's lines are its code text as readGame gives it.
// The module is read whole, once, and each of its strings tested once.
void searchGroupCode(const std::filesystem::path& platformDir, std::string_view group, const GameMatcher& matcher,
                     const CodeSearchEvents& events, CodeSearchMemory& memory);

}  // namespace kodrix
