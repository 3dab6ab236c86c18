#include "CodeSearch.h"

#include "CatalogueNames.h"
#include "Collation.h"
#include "Discovery.h"
#include "Error.h"
#include "GameEntry.h"
#include "IniProfile.h"
#include "Messages.h"
#include "ResourceModule.h"
#include "TextList.h"

#include <algorithm>
#include <optional>
#include <unordered_set>
#include <vector>

namespace kodrix {
namespace {

constexpr std::size_t kIds = 65536;
// Modules up to this size are read whole, in one read into the search's
// memory; a larger one (no real catalogue has one) is read as it is looked at.
constexpr std::uint64_t kWholeReadLimit = std::uint64_t{64} << 20;

// Which of the module's 65536 string IDs hold a matching line, and the
// matching lines' text. An ID without a string reads as an empty line.
class MatchingStrings {
public:
    MatchingStrings(const ResourceModule& module, const GameMatcher& matcher, CodeSearchMemory& memory) : m_(memory) {
        m_.state.assign(kIds, matcher.matches("") ? kEmptyLine : kNoMatch);
        m_.where.resize(kIds);
        m_.text.clear();
        module.forEachString([&](std::uint16_t id, std::string_view text) {
            if (!matcher.matches(text)) {
                m_.state[id] = kNoMatch;
                return;
            }
            m_.state[id] = kText;
            m_.where[id] = {static_cast<std::uint32_t>(m_.text.size()), static_cast<std::uint32_t>(text.size())};
            m_.text.append(text);
        });
    }
    bool matched(std::uint16_t id) const { return m_.state[id] != kNoMatch; }
    std::string_view text(std::uint16_t id) const {
        if (m_.state[id] != kText) return {};
        return std::string_view(m_.text).substr(m_.where[id].first, m_.where[id].second);
    }

private:
    enum : std::uint8_t { kNoMatch, kEmptyLine, kText };
    CodeSearchMemory& m_;
};

// A game's range as readGame reads it: the IDs its code text shows.
struct Range {
    std::uint32_t first = 0;
    std::size_t count = 0;
    std::uint16_t id(std::size_t i) const { return static_cast<std::uint16_t>(first + static_cast<std::uint32_t>(i)); }
};

Range rangeOf(std::int32_t begin, std::int32_t end) {
    if (end < begin) return {};
    const std::uint64_t span = std::uint64_t(std::int64_t(end) - std::int64_t(begin)) + 1;
    return {static_cast<std::uint32_t>(begin), static_cast<std::size_t>(std::min<std::uint64_t>(span, kMaxCodeTextLines))};
}

// The group's module, read whole into buffer when it is not too large;
// nullopt when it cannot be opened as a module (as the code page finds it).
std::optional<ResourceModule> openWhole(ResolvedFile&& file, std::vector<std::uint8_t>& buffer) {
    if (!file.opened()) return std::nullopt;
    const std::uint64_t size = file.file.size();
    if (size > kWholeReadLimit) return ResourceModule::open(std::move(file.file));
    if (buffer.size() < size) buffer.resize(static_cast<std::size_t>(size));
    if (!file.file.readExactly(0, buffer.data(), static_cast<std::size_t>(size))) return std::nullopt;
    return ResourceModule::fromBytes(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(size)));
}

void searchGroup(const std::filesystem::path& platformDir, std::string_view group, const GameMatcher& matcher,
                 const CodeSearchEvents& events, CodeSearchMemory& memory) {
    TextLines games;
    {
        const ResolvedFile list = openPlatformFile(platformDir, names::groupList(group));
        if (!list.opened()) list.failure().raise();
        games = readTextLines(list.file);
    }
    const std::string iniName = names::groupIni(group);
    const ResolvedFile iniFile = openPlatformFile(platformDir, iniName);
    if (!iniFile.exists()) return events.problem({}, messages::missingFile(iniName));
    const IniProfile ini = loadIni(iniFile);

    const std::string moduleName = names::groupModule(group);
    ResolvedFile moduleFile = openPlatformFile(platformDir, moduleName);
    if (!moduleFile.exists()) return events.problem({}, messages::missingFile(moduleName));
    // Its strings are all looked at: the module is read in one go.
    const std::optional<ResourceModule> module = openWhole(std::move(moduleFile), memory.module);
    if (!module) return events.problem({}, messages::moduleError());
    const MatchingStrings strings(*module, matcher, memory);

    // The games with a matching line, in list order, each name once.
    struct Found {
        std::size_t index;
        Range range;
    };
    std::vector<Found> found;
    std::unordered_set<std::string_view> seen;
    for (std::size_t i = 0; i < games.size(); ++i) {
        const std::string_view game = games[i];
        if (!seen.insert(game).second) continue;
        Range range;
        try {
            const std::int32_t begin = readBegin(ini, game);
            range = rangeOf(begin, readEnd(ini, game));
        } catch (const Error& e) {
            events.problem(game, e.message());
            continue;
        }
        for (std::size_t k = 0; k < range.count; ++k) {
            if (strings.matched(range.id(k))) {
                found.push_back({i, range});
                break;
            }
        }
    }
    // In the list's order: sorting only what was found keeps the order the
    // whole list's (stable) sort gives.
    std::stable_sort(found.begin(), found.end(), [&](const Found& a, const Found& b) {
        return collation::compare(games[a.index], games[b.index]) < 0;
    });
    for (const Found& f : found)
        for (std::size_t k = 0; k < f.range.count; ++k)
            if (strings.matched(f.range.id(k))) events.line(games[f.index], strings.text(f.range.id(k)));
}

}  // namespace

void searchGroupCode(const std::filesystem::path& platformDir, std::string_view group, const GameMatcher& matcher,
                     const CodeSearchEvents& events, CodeSearchMemory& memory) {
    try {
        searchGroup(platformDir, group, matcher, events, memory);
    } catch (const Error& e) {
        events.problem({}, e.message());
    }
}

}  // namespace kodrix
