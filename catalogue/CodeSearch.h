#pragma once
// Code search: the lines of a letter group's code text that contain a piece
// of text, matched as game search matches names (GameMatcher: any letter
// case, Cyrillic included). kodrix-cli's grep runs it over every group of
// the library.
#include "GameSearch.h"

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

// Searches letter group `group` (as the letter list shows it) of the
// platform folder. A game's lines are its code text as readGame gives it.
// The module is read whole into `buffer`, once, and each of its strings
// tested once. The caller keeps the buffer from group to group: it grows to
// the largest module, and reading into memory already touched costs no more
// than the copy.
void searchGroupCode(const std::filesystem::path& platformDir, std::string_view group, const GameMatcher& matcher,
                     const CodeSearchEvents& events, std::vector<std::uint8_t>& buffer);

}  // namespace kodrix
