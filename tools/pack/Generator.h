#pragma once
// A large synthetic catalogue for benchmarks and load tests, reproducible from
// a seed: the same parameters give the same files, byte for byte.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace kodrix::pack {

struct GeneratorOptions {
    std::uint64_t seed = 1;
    int platforms = 8;
    std::uint64_t games = 200000;          // in all platforms together
    std::uint64_t bigPlatformGames = 60000;  // the first platform's share
    int groups = 36;                       // letter groups per platform: A–Z, then 0–9, then RUS
    int codes = 12;                        // code lines per game, on average
    int walkthroughs = 2000;
    int rtfKb = 50;                        // document size per walkthrough, on average
};

struct GeneratorSummary {
    std::uint64_t games = 0;
    std::uint64_t codeLines = 0;
    std::uint64_t walkthroughs = 0;
    std::string largestModule;             // path of the largest group module
    std::uint64_t largestModuleBytes = 0;
};

// Writes the catalogue into outDir. One walkthrough document is 1 MB and one
// screenshot 1920 × 1080; the first platform's largest group holds a twelfth
// of its games. A group never takes more code lines than its 16-bit string IDs allow. progress, when given, receives one line per platform.
GeneratorSummary generateCatalogue(const std::filesystem::path& outDir, const GeneratorOptions& options,
                                   const std::function<void(const std::string&)>& progress = {});

// The platform names the generator uses, index 0 being the big platform.
std::string generatedPlatformName(int index);

// Appends cp1251 text to an RTF document: bytes above 0x7F as \'hh
// escapes, "\", "{" and "}" escaped.
void appendRtfText(std::string& rtf, std::string_view cp1251);

}  // namespace kodrix::pack
