#pragma once
// The catalogue builder: turns editable UTF-8 sources into the catalogue files
// the program reads (base.ini, L.dat, L.ini, L.dll, kodrix32.icl, sol/*.dll).
//
// Source tree (see README, "Catalogue sources"):
//   <platform>/<group>.txt      games of one letter group
//   <platform>/icons/<family>.png|.ico|.bmp   one icon per game family
//   sol/<folder>/name.txt       walkthrough display name
//   sol/<folder>/document.rtf   walkthrough document
//   sol/<folder>/img<key>.jpg   screenshots (other image formats are converted to JPEG)
#include <cstdint>
#include <filesystem>
#include <map>
#include <stdexcept>
#include "PackError.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kodrix::pack {

// One game as it goes into the catalogue: cp1251 name and code lines.
struct GameSource {
    std::string name;
    std::uint32_t icon = 0;
    std::vector<std::string> lines;
};

struct GroupSource {
    std::string name;  // cp1251; the stem of L.dat, L.ini, L.dll
    std::vector<GameSource> games;
};

struct WalkthroughSource {
    std::string displayName;              // cp1251
    std::vector<std::uint8_t> document;   // RTF bytes
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> images;  // key (cp1251) → JPEG bytes
};

struct BuildSummary {
    std::size_t platforms = 0;
    std::size_t groups = 0;
    std::size_t games = 0;
    std::size_t codeLines = 0;
    std::size_t walkthroughs = 0;
};

// UTF-8 → cp1251; throws PackError naming `where` when a character has no
// place in code page 1251.
std::string toCatalogueText(std::string_view utf8, std::string_view where);

// Parses one group file (UTF-8). A line "# Name" starts a game; an "icon:
// family" line right after it picks the game's icon; every other line is a
// code line ("\" at the start of a line escapes a leading "#", "icon:" or
// "\"). Blank lines before the next game are dropped. Families are looked up
// without regard to case; a game without "icon:" gets icon 0.
GroupSource parseGroupSource(std::string_view utf8Text, std::string groupNameCp1251,
                             const std::map<std::string, std::uint32_t>& iconFamilies, std::string_view where);

// The "ID<TAB>text" lines of the strings verb (UTF-8), as (ID, cp1251 text).
std::vector<std::pair<std::uint32_t, std::string>> parseStringList(std::string_view utf8Text, std::string_view where);

// Writes L.dat (names, CR LF), L.ini (begin/end/icon per game) and L.dll (the
// code lines as string resources numbered consecutively from firstId).
// Returns the ID after the last one used.
std::uint32_t writeGroup(const std::filesystem::path& platformDir, const GroupSource& group, std::uint32_t firstId = 1);

// The "base.ini" marker that makes a folder a platform.
void writePlatformMarker(const std::filesystem::path& platformDir);

// A walkthrough module: RCDATA "name1", "File1" and "img<key>".
void writeWalkthrough(const std::filesystem::path& dllPath, const WalkthroughSource& walkthrough);

// Image bytes ready for an "img" resource: JPEG files as they are, anything
// else Qt reads re-encoded as JPEG.
std::vector<std::uint8_t> screenshotFromFile(const std::filesystem::path& path, int quality = 85);

// The family names of a platform's icons folder, sorted, mapped to their
// icon index (lower-cased UTF-8 stems), and the files in that order.
struct IconFamilies {
    std::map<std::string, std::uint32_t> index;
    std::vector<std::filesystem::path> files;
};
IconFamilies listIconFamilies(const std::filesystem::path& iconsDir);

// Builds a whole catalogue from a source tree into outDir (created when
// missing; files already there are replaced, others left alone).
BuildSummary buildCatalogue(const std::filesystem::path& sourceDir, const std::filesystem::path& outDir);

std::vector<std::uint8_t> readFileBytes(const std::filesystem::path& path);
void writeFileBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

}  // namespace kodrix::pack
