#pragma once
// A game's entry in its letter group and its code text.
//
// Letter group L of a platform keeps L.ini (one section per game, named as
// the game's line in L.dat, with the integer keys `begin`, `end` and `icon`)
// and L.dll (the code text as string resources `begin`..`end`).
// Each step is a separate call so that the code page can report failures in
// the order the user sees them; readGame runs them all for the terminal tool.
#include "CatalogueFs.h"
#include "IniProfile.h"
#include "ResourceModule.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kodrix {

// The most lines of a code text the window shows. A range from an INI value
// can span four billion IDs, and the text view's time to take the text grows
// with it: 8192 lines of the longest strings (254 bytes, 2 MB of text) keep a
// click on any game well within a quarter of a second (see
// bench/hostile_bench). The window shows the first kMaxCodeTextLines lines
// and says how many it leaves out; the terminal tool streams the whole text.
constexpr std::size_t kMaxCodeTextLines = 8192;

// Receives a code text line by line, in ID order; returns false to stop.
using CodeLineSink = std::function<bool(std::string_view line)>;

// The group's INI file; raises "Cannot open file "%s". %s" when it is not
// there or cannot be read.
IniProfile openGroupIni(const std::filesystem::path& platformDir, std::string_view group);
// The same from the file looked up already.
IniProfile loadIni(const ResolvedFile& ini);
// The group's module, or nullopt when it cannot be opened as one.
std::optional<ResourceModule> openGroupModule(const std::filesystem::path& platformDir, std::string_view group);

// The keys of the game's section; each raises "'%s' is not a valid integer
// value" (an absent key reads as "").
std::int32_t readBegin(const IniProfile& ini, std::string_view game);
std::int32_t readEnd(const IniProfile& ini, std::string_view game);
std::int32_t readIcon(const IniProfile& ini, std::string_view game);

// The number of lines of the range begin..end inclusive: 0 when end < begin,
// up to 2^32.
std::uint64_t codeTextLength(std::int32_t begin, std::int32_t end);

// Strings begin..end inclusive in ID order, one line each (none when
// end < begin); each as loadString gives it (low 16 bits of the ID, at most
// 254 bytes, "" when absent), so past 65536 lines the text repeats. Each line
// goes to sink as it is read, until sink returns false: memory stays the same
// whatever the range.
void streamCodeText(const ResourceModule& module, std::int32_t begin, std::int32_t end, const CodeLineSink& sink);

// The first kMaxCodeTextLines lines of streamCodeText, so no ID comes twice.
std::vector<std::string> codeTextLines(const ResourceModule& module, std::int32_t begin, std::int32_t end);

// The whole read of a game, step by step as a click on it runs: INI present,
// the selected game, `begin`, `end`, module present, module opens, code text,
// `icon`. The program and the terminal tool both show what this returns.
enum class GameReadFailure {
    IniMissing,        // stops the read
    NoGameSelected,    // the list's index error: stops the read
    BadRange,          // `begin` or `end` not an integer: stops the read
    ModuleMissing,     // no code text; the icon is still read
    ModuleUnopenable,  // no code text (the text is cleared); the icon is still read
    BadIcon,           // `icon` not an integer: the code text is already there
};

struct GameReadReport {
    GameReadFailure failure;
    std::string message;  // the user's text, cp1251
};

struct GameRead {
    std::vector<GameReadReport> reports;  // in the order the user would see them
    std::optional<std::int32_t> begin, end, icon;
    bool textShown = false;               // the module was opened and the lines read
    std::vector<std::string> lines;       // at most kMaxCodeTextLines (none when streamed)
    std::uint64_t linesLeftOut = 0;       // the range's lines beyond the cap

    bool ok() const { return reports.empty(); }
    // The report of that kind, or null.
    const GameReadReport* find(GameReadFailure failure) const;
};

// Reads game (the section name, cp1251; nullopt when no game is selected)
// of letter group `group` (as the letter list shows it) in the platform
// folder. "Cannot open file" errors of an unreadable INI propagate as Error.
// With a stream, the whole code text goes to it (streamCodeText) instead of
// into lines.
GameRead readGame(const std::filesystem::path& platformDir, std::string_view group,
                  const std::optional<std::string>& game, const CodeLineSink& stream = {});

}  // namespace kodrix
