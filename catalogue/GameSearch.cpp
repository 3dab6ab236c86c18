#include "GameSearch.h"

#include "CatalogueNames.h"
#include "Cp1251.h"
#include "Discovery.h"
#include "FolderIndex.h"
#include "TextList.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace kodrix {
namespace {

const std::array<unsigned char, 256>& upperTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> t{};
        for (int b = 0; b < 256; ++b) t[b] = cp1251::toUpper(static_cast<unsigned char>(b));
        return t;
    }();
    return table;
}

// Whether the eight bytes at p hold a or b.
bool holdsEither(const unsigned char* p, unsigned char a, unsigned char b) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    constexpr std::uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    const std::uint64_t x = word ^ (kOnes * a), y = word ^ (kOnes * b);
    // A zero byte in x or y: the classic test, exact as to whether there is one.
    return (((x - kOnes) & ~x) | ((y - kOnes) & ~y)) & kHighs;
}

}  // namespace

GameMatcher::GameMatcher(std::optional<std::string_view> query) {
    if (!query) {
        none_ = true;
        return;
    }
    upperQuery_ = cp1251::upper(*query);
    const std::string& u = upperQuery_;
    fallback_.assign(u.size() + 1, 0);
    for (std::size_t i = 1, k = 0; i < u.size(); ++i) {
        while (k > 0 && u[i] != u[k]) k = fallback_[k];
        if (u[i] == u[k]) ++k;
        fallback_[i + 1] = k;
    }
}

std::size_t GameMatcher::queryLength() const { return none_ ? static_cast<std::size_t>(-1) : upperQuery_.size(); }

bool GameMatcher::matches(std::string_view name) const {
    if (none_) return false;
    const std::size_t q = upperQuery_.size();
    if (q == 0) return true;
    if (name.size() < q) return false;
    const auto& up = upperTable();
    const auto* n = reinterpret_cast<const unsigned char*>(name.data());
    const auto* u = reinterpret_cast<const unsigned char*>(upperQuery_.data());
    // k: the length of the longest start of the query that ends right
    // before byte p.
    std::size_t k = 0;
    for (std::size_t p = 0; p < name.size(); ++p) {
        const unsigned char c = up[n[p]];
        while (k > 0 && u[k] != c) k = fallback_[k];
        if (u[k] == c && ++k == q) return true;
    }
    return false;
}

void GameMatcher::forEachMatchingLine(std::string_view text, const std::function<void(std::string_view)>& fn) const {
    const std::size_t q = upperQuery_.size();
    // No line holds a line end.
    if (none_ || q == 0 || upperQuery_.find_first_of("\r\n") != std::string::npos) return;
    const auto& up = upperTable();
    const auto* t = reinterpret_cast<const unsigned char*>(text.data());
    const auto* u = reinterpret_cast<const unsigned char*>(upperQuery_.data());
    // The bytes that can start a match (the query's first letter in either
    // case): while nothing matches, eight bytes without one are passed over
    // at a time.
    unsigned char starts[2] = {};
    int startCount = 0;
    for (int b = 0; b < 256; ++b) {
        if (up[b] != u[0]) continue;
        if (startCount < 2) starts[startCount] = static_cast<unsigned char>(b);
        ++startCount;
    }
    if (startCount == 1) starts[1] = starts[0];
    const bool skipping = startCount <= 2;
    // As matches() does, over the whole text: a line end matches no byte of
    // the query, so no match runs across one.
    std::size_t k = 0;
    for (std::size_t p = 0; p < text.size(); ++p) {
        if (k == 0 && skipping) {
            while (p + 8 <= text.size() && !holdsEither(t + p, starts[0], starts[1])) p += 8;
            if (p == text.size()) break;
        }
        const unsigned char c = up[t[p]];
        while (k > 0 && u[k] != c) k = fallback_[k];
        if (u[k] != c || ++k < q) continue;
        auto lineEnd = [](unsigned char b) { return b == '\r' || b == '\n'; };
        std::size_t begin = p + 1 - q, end = p + 1;
        while (begin > 0 && !lineEnd(t[begin - 1])) --begin;
        while (end < text.size() && !lineEnd(t[end])) ++end;
        fn(text.substr(begin, end - begin));
        p = end;  // on to the next line
        k = 0;
    }
}

bool nameMatches(std::string_view name, std::string_view query) { return GameMatcher(query).matches(name); }

PlatformSearch searchPlatform(const std::filesystem::path& programDir, std::string_view platform,
                              std::optional<std::string_view> query) {
    PlatformSearch out;
    const Listing groups = listLetterGroups(programDir, platform);
    out.noDatabase = groups.noDatabase;
    const GameMatcher matcher(query);
    const FolderIndex folder(platformDir(programDir, platform));
    // Room for every name at once (an empty query finds them all), so the
    // matches are not moved as they grow; lists past 64 MB grow as they come.
    std::uintmax_t bytes = 0;
    for (const std::string& group : groups.names) {
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(folder.fileOrGuess(names::groupList(group)), ec);
        if (!ec) bytes += size;
    }
    out.matches.reserve(0, static_cast<std::size_t>(std::min<std::uintmax_t>(bytes, std::size_t(64) << 20)));
    const auto add = [&](std::string_view name) { out.matches.append(name); };
    for (const std::string& group : groups.names) {
        const std::filesystem::path list = folder.fileOrGuess(names::groupList(group));
        if (matcher.queryLength() == 0)  // every line, the empty ones too
            forEachFileLine(list, add);
        else
            forEachFilePiece(list, [&](std::string_view piece) { matcher.forEachMatchingLine(piece, add); });
    }
    return out;
}

}  // namespace kodrix
