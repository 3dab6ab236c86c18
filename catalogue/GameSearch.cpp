#include "GameSearch.h"

#include "CatalogueNames.h"
#include "Cp1251.h"
#include "Discovery.h"
#include "FolderIndex.h"
#include "Parallel.h"
#include "TextList.h"
#include "WordScan.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <exception>

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

// The high bit of each byte of word that equals a or b, and no other bit.
std::uint64_t equalEither(std::uint64_t word, unsigned char a, unsigned char b) {
    return equalBytes(word, a) | equalBytes(word, b);
}

// The bytes (at most two) that upper-case to c; false when more do.
bool casesOf(unsigned char c, unsigned char (&out)[2]) {
    const auto& up = upperTable();
    int count = 0;
    for (int b = 0; b < 256; ++b) {
        if (up[b] != c) continue;
        if (count < 2) out[count] = static_cast<unsigned char>(b);
        ++count;
    }
    if (count == 1) out[1] = out[0];
    return count <= 2;
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
    // The bytes that can start a match: the query's first letter in either
    // case, followed by its second in either case. While nothing matches,
    // the text is passed over eight places at a time where none starts.
    unsigned char first[2] = {}, second[2] = {};
    bool skipping = std::endian::native == std::endian::little && casesOf(u[0], first);
    if (q > 1) skipping = skipping && casesOf(u[1], second);
    const std::uint64_t anySecond = q == 1 ? ~std::uint64_t{0} : 0;
    // As matches() does, over the whole text: a line end matches no byte of
    // the query, so no match runs across one.
    std::size_t k = 0;
    for (std::size_t p = 0; p < text.size(); ++p) {
        if (k == 0 && skipping) {
            for (; p + 9 <= text.size(); p += 8) {
                std::uint64_t word, next;
                std::memcpy(&word, t + p, 8);
                std::memcpy(&next, t + p + 1, 8);
                if (const std::uint64_t at = equalEither(word, first[0], first[1]) &
                                             (equalEither(next, second[0], second[1]) | anySecond)) {
                    p += static_cast<std::size_t>(std::countr_zero(at) / 8);
                    break;
                }
            }
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
    // The groups are searched on as many threads as there are cores (up to
    // four), each group's matches kept apart and then joined in the groups'
    // order; a list that cannot be opened is reported as the first such in
    // that order.
    const std::size_t count = groups.names.size();
    std::vector<TextLines> found(count);
    std::vector<std::exception_ptr> failed(count);
    forEachIndex(count, workerThreads(), [&](unsigned, std::size_t g) {
        try {
            const std::filesystem::path list = folder.fileOrGuess(names::groupList(groups.names[g]));
            TextLines& matches = found[g];
            const auto add = [&](std::string_view name) { matches.append(name); };
            if (matcher.queryLength() == 0) {  // every line, the empty ones too
                matches = readTextLines(list);
            } else {
                forEachFilePiece(list, [&](std::string_view piece) { matcher.forEachMatchingLine(piece, add); });
            }
        } catch (...) {
            failed[g] = std::current_exception();
        }
    });
    std::size_t lines = 0, bytes = 0;
    for (std::size_t g = 0; g < count; ++g) {
        if (failed[g]) std::rethrow_exception(failed[g]);
        lines += found[g].size();
        bytes += found[g].text().size();
    }
    out.matches.reserve(lines, bytes);
    for (TextLines& matches : found) {
        out.matches.append(matches);
        matches = TextLines();
    }
    return out;
}

}  // namespace kodrix
