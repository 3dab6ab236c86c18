#pragma once
// The statistics of the chart page: one bar per platform with its number of
// game-list lines and a colour of its own, and the totals line. The window's
// chart and kodrix-cli build them with the same code.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kodrix {

struct StatisticsBar {
    std::string label;        // the platform as its list shows it (cp1251)
    std::int64_t value = 0;   // the platform's line count
    std::uint32_t colour = 0; // 0x00BBGGRR, each channel 0..254
};

// A bar's colour from a generator seeded with seed: three draws, each uniform
// in 0..254, taken as blue, green and red in that order.
std::uint32_t barColour(std::uint64_t seed);
// The high-resolution clock's reading: each bar's generator is seeded afresh
// from it.
std::uint64_t clockSeed();

// "Кодов всего: " + total + " шт. Прохождений: " + walkthroughs + " шт." (cp1251).
std::string statisticsTitleLine(std::int64_t total, std::int64_t walkthroughs);

struct StatisticsEvents {
    // A platform without ".dat" files (its bar follows with the value 0).
    std::function<void(const std::string& platform)> noDatabase;
    // Each bar as soon as it is counted, in platform order.
    std::function<void(const StatisticsBar&)> barAdded;
};

// Builds the statistics of the platforms (in their list order): nothing when
// there is exactly one platform (no bars, no title line); otherwise one bar
// per platform, then the title line to append, which is returned. A list that
// cannot be read throws its file error; the bars reported before it stand.
std::optional<std::string> buildStatistics(const std::filesystem::path& programDir,
                                           const std::vector<std::string>& platforms, std::int64_t walkthroughs,
                                           const StatisticsEvents& events);

}  // namespace kodrix
