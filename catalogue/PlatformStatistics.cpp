#include "PlatformStatistics.h"

#include "Cp1251.h"
#include "Discovery.h"

#include <chrono>
#include <random>

namespace kodrix {

std::uint32_t barColour(std::uint64_t seed) {
    std::mt19937_64 generator(seed);
    std::uniform_int_distribution<std::uint32_t> channel(0, 254);
    const std::uint32_t blue = channel(generator);
    const std::uint32_t green = channel(generator);
    const std::uint32_t red = channel(generator);
    return red + 256 * green + 65536 * blue;
}

std::uint64_t clockSeed() {
    // Nanoseconds: two bars counted in the same millisecond still get
    // different seeds.
    return static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
}

std::string statisticsTitleLine(std::int64_t total, std::int64_t walkthroughs) {
    return cp1251::fromUtf8("Кодов всего: " + std::to_string(total) + " шт. Прохождений: " +
                            std::to_string(walkthroughs) + " шт.");
}

std::optional<std::string> buildStatistics(const std::filesystem::path& programDir,
                                           const std::vector<std::string>& platforms, std::int64_t walkthroughs,
                                           const StatisticsEvents& events) {
    if (platforms.size() == 1) return std::nullopt;
    std::int64_t total = 0;
    for (const std::string& platform : platforms) {
        const PlatformCount count = countPlatformCodes(platformDir(programDir, platform));
        if (count.noDatabase && events.noDatabase) events.noDatabase(platform);
        StatisticsBar bar{platform, static_cast<std::int64_t>(count.total), barColour(clockSeed())};
        total += bar.value;
        if (events.barAdded) events.barAdded(bar);
    }
    return statisticsTitleLine(total, walkthroughs);
}

}  // namespace kodrix
