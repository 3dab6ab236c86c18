#pragma once
// The catalogue builder: turns editable UTF-8 sources into the catalogue files
// the program reads (base.ini, L.dat, L.ini, L.dll, kodrix32.icl, sol/*.dll).
//
// Source tree (see README, "Catalogue sources"):
//   <platform>/<group>.txt      games of one letter group
//   <platform>/<group>.raw/     a letter group kept as it is stored (list, INI, strings)
//   <platform>/icons/<family>.png|.ico|.bmp   one icon per game family
//   <platform>/platform.txt     notes (a platform folder without groups needs it)
//   sol/<folder>/name.txt       walkthrough display name
//   sol/<folder>/document.rtf   walkthrough document
//   sol/<folder>/img<key>.jpg   screenshots (other image formats are converted to JPEG;
//                               img<key>.bin is kept byte for byte)
#include "PackError.h"
#include "SourceFormat.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kodrix::pack {

// One game as it goes into the catalogue: cp1251 name and code lines.
struct GameSource {
    std::string name;
    std::int32_t icon = 0;
    std::vector<std::string> lines;
    bool operator==(const GameSource&) const = default;
};

struct GroupSource {
    std::string name;  // cp1251; the stem of L.dat, L.ini, L.dll
    std::vector<GameSource> games;
};

// A letter group kept as it is stored: its list's lines, its INI's lines and
// its module's strings, each absent when the catalogue has no such file.
struct RawGroupSource {
    std::string name;  // cp1251
    std::vector<std::string> list;
    std::optional<std::vector<std::string>> entries;
    std::optional<std::vector<std::pair<std::uint32_t, std::string>>> strings;
};

struct WalkthroughSource {
    std::string displayName;                            // cp1251, the "name1" bytes
    std::optional<std::vector<std::uint8_t>> document;  // RTF bytes; none: the module has no "File1"
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> images;  // key (cp1251) → JPEG bytes
};

struct BuildSummary {
    std::size_t platforms = 0;
    std::size_t groups = 0;
    std::size_t games = 0;
    std::size_t codeLines = 0;
    std::size_t walkthroughs = 0;
};

using source::toCatalogueText;

// Parses one group file (UTF-8). A line "# Name" starts a game; an "icon:
// family" line right after it picks the game's icon (a family, looked up
// without regard to case, else a decimal number taken as the icon's index);
// every other line is a code line ("\" at the start of a line escapes a
// leading "#", "icon:" or "\", and keeps a blank line that would be
// dropped). Blank lines right after the header and before the next game are
// dropped. A game without "icon:" gets icon 0. Names may not repeat as the
// INI matches sections (case and surrounding blanks ignored).
GroupSource parseGroupSource(std::string_view utf8Text, std::string groupNameCp1251,
                             const std::map<std::string, std::uint32_t>& iconFamilies, std::string_view where);

// A group file that parseGroupSource reads back as the same games: names
// must be non-empty without surrounding blanks. iconName gives the text
// after "icon:" for a game's icon (games with icon 0 get no "icon:" line).
std::string groupSourceText(const GroupSource& group, const std::function<std::string(std::int32_t)>& iconName);

// The "ID<TAB>text" lines of the strings verb (UTF-8), as (ID, cp1251 text);
// ␍ and ␊ in a text are CR and LF.
std::vector<std::pair<std::uint32_t, std::string>> parseStringList(std::string_view utf8Text, std::string_view where);
// The strings as parseStringList reads them back.
std::string stringListText(const std::vector<std::pair<std::uint32_t, std::string>>& strings);

// A raw group folder (<group>.raw) and the catalogue files it stands for.
RawGroupSource readRawGroupSource(const std::filesystem::path& folder, std::string groupNameCp1251);
void writeRawGroupSource(const std::filesystem::path& folder, const RawGroupSource& group);
void writeRawGroup(const std::filesystem::path& platformDir, const RawGroupSource& group);

// Writes L.dat (names, CR LF), L.ini (begin/end/icon per game) and L.dll (the
// code lines as string resources numbered consecutively from firstId).
// Returns the ID after the last one used.
std::uint32_t writeGroup(const std::filesystem::path& platformDir, const GroupSource& group, std::uint32_t firstId = 1);

// The "base.ini" marker that makes a folder a platform.
void writePlatformMarker(const std::filesystem::path& platformDir);

// A walkthrough module: RCDATA "name1", "File1" and "img<key>".
void writeWalkthrough(const std::filesystem::path& dllPath, const WalkthroughSource& walkthrough);

// The "name1" bytes holding these lines (cp1251), as the walkthrough list
// splits them back: lines joined by CR LF, one more after an empty last line.
std::string nameResourceText(const std::vector<std::string>& lines);

// Image bytes ready for an "img" resource: JPEG files as they are, anything
// else Qt reads re-encoded as JPEG.
std::vector<std::uint8_t> screenshotFromFile(const std::filesystem::path& path, int quality = 85);

// The family names of a platform's icons folder, sorted, mapped to their
// icon index (lower-cased UTF-8 stems), and the files in that order. A
// platform with an icons folder gets an icon library, empty or not.
struct IconFamilies {
    bool folder = false;
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
