#include "catalogue/Collation.h"
#include "catalogue/Cp1251.h"
#include "catalogue/TextList.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>

using namespace kodrix;

namespace {

// Random names as game lists hold them: shared beginnings (series and
// numbered parts), both letter cases of Latin and Cyrillic, Ё beside Е,
// digits, punctuation, now and then an empty name, a long one, a zero byte
// (which the collation ignores) or a long run of numbers after a stem.
class RandomNames {
public:
    explicit RandomNames(std::uint32_t seed) : seed_(seed) {}
    std::string next() {
        static const std::string alphabet = cp1251::fromUtf8("aAbBzZ09 -':!.,&еЕёЁжЖяЯйЙъ№«»–");
        static const std::vector<std::string> stems = {"Star Racer ", "STAR RACER ", cp1251::fromUtf8("Ёжик "),
                                                       cp1251::fromUtf8("ежик "), "Mortal Strike", "Moon"};
        std::string s;
        const std::uint32_t shape = draw() % 16;
        if (shape == 0) return s;
        if (shape < 8 || shape == 10) s = stems[draw() % stems.size()];
        if (shape == 8) s.push_back('\0');
        if (shape == 10)  // a series renumbered again and again: "Moon 2 3 4 ... k"
            for (std::uint32_t k = 2, last = 2 + draw() % 120; k <= last; ++k) s += " " + std::to_string(k);
        for (std::uint32_t n = draw() % (shape == 9 ? 40 : 6); n > 0; --n) s.push_back(alphabet[draw() % alphabet.size()]);
        return s;
    }

private:
    std::uint32_t draw() { return seed_ = seed_ * 1664525u + 1013904223u; }
    std::uint32_t seed_;
};

TextLines randomLines(std::uint32_t seed, std::size_t count) {
    RandomNames names(seed);
    TextLines lines;
    for (std::size_t i = 0; i < count; ++i) lines.append(names.next());
    return lines;
}

// The order by the per-byte comparison the lists have always used: a stable
// sort, so equal names keep the order they came in.
std::vector<std::string> byComparison(std::vector<std::string> names) {
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return collation::compare(a, b) < 0; });
    return names;
}

}  // namespace

TEST(Collation, SortingByKeysGivesTheOrderOfTheComparison) {
    // Lists of every size up to a large one, in random order, already in
    // order, and in reverse order (equal names then come in reverse too).
    for (const std::size_t count : {0u, 1u, 2u, 7u, 1000u, 200000u}) {
        const TextLines random = randomLines(static_cast<std::uint32_t>(count) + 1, count);
        const std::vector<std::string> expected = byComparison(random.toStrings());
        ASSERT_EQ(collation::inOrder(TextLines(random)).toStrings(), expected) << count;

        TextLines sorted;
        for (const std::string& s : expected) sorted.append(s);
        EXPECT_EQ(collation::inOrder(std::move(sorted)).toStrings(), expected) << count;

        std::vector<std::string> reversed(expected.rbegin(), expected.rend());
        TextLines backwards;
        for (const std::string& s : reversed) backwards.append(s);
        EXPECT_EQ(collation::inOrder(std::move(backwards)).toStrings(), byComparison(reversed)) << count;
    }
}

TEST(Collation, MergingTwoSortedListsIsSortingThemTogether) {
    // Equal names: those of the first list first, each list's in its order.
    for (const auto& [first, second] : {std::pair{0u, 5u}, std::pair{5u, 0u}, std::pair{3000u, 20000u}, std::pair{20000u, 3000u}}) {
        const TextLines a = collation::inOrder(randomLines(first + 7, first));
        const TextLines b = collation::inOrder(randomLines(second + 11, second));
        std::vector<std::string> both = a.toStrings();
        for (const std::string& s : b.toStrings()) both.push_back(s);
        EXPECT_EQ(collation::merged(a, b).toStrings(), byComparison(both)) << first << " + " << second;
    }
}
