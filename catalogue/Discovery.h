#pragma once
// Catalogue discovery: platforms beside the executable, the letter groups of
// a platform, line counts. Names are cp1251 as listed on disk (the lists the
// user sees upper-case them). A listing that matches nothing says so
// (noDatabase), so the caller can report "Не найдено ни одной базы"; a listing
// that fails otherwise finds nothing and says why in `error` (the program
// ends it silently, the terminal tool reports it).
//
// What is listed can be reached, once: the lists hand names back upper-cased
// and every lookup ignores case, so of entries whose names differ only in
// case the one a lookup finds is listed (the exact upper-case spelling, else
// the first in listing order), and names code page 1251 cannot write (shown
// with '?' in their place, so two of them would look alike) are left out.
// A catalogue from Windows, where neither can happen, lists every entry.
#include "CatalogueFs.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kodrix {

struct Listing {
    std::vector<std::string> names;  // cp1251, in listing order
    bool noDatabase = false;         // the listing worked and matched nothing
    std::optional<FileError> error;  // the folder could not be listed
};

// Every entry of programDir ("." and ".." included) that holds a file
// "base.ini" (any case). noDatabase when the folder lists no entry at all.
Listing listPlatforms(const std::filesystem::path& programDir);

// The groups of a platform: the names of its ".dat" files less the last four
// characters. noDatabase when the platform folder lists no ".dat" file.
Listing listLetterGroups(const std::filesystem::path& programDir, std::string_view platform);

// The folder of a platform (resolved without regard to case; the name as
// given when it does not exist).
std::filesystem::path platformDir(const std::filesystem::path& programDir, std::string_view platform);

// A catalogue file of a platform folder: the regular file of that name,
// resolved without regard to case; the name as given when there is none (so
// a later open reports it missing).
std::filesystem::path platformFile(const std::filesystem::path& platformDir, std::string_view fileName);

// The same, opened: the existence check and the open share one lookup.
ResolvedFile openPlatformFile(const std::filesystem::path& platformDir, std::string_view fileName);

// Whether a regular file of that name (any case) exists in the platform folder.
bool existsInPlatform(const std::filesystem::path& platformDir, std::string_view fileName);

struct PlatformCount {
    std::uint64_t total = 0;
    bool noDatabase = false;
    std::optional<FileError> error;  // the folder could not be listed
};
// The sum of the line counts of the platform's letter groups (each group's
// ".dat" file, as listLetterGroups lists them).
PlatformCount countPlatformCodes(const std::filesystem::path& platformDir);

// Index of the first item equal to "RUS", or -1.
int findRusGroup(const std::vector<std::string>& letterItems);

}  // namespace kodrix
