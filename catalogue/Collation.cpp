#include "Collation.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace kodrix::collation {
namespace {

// The weights of every byte of code page 1251 in the root collation rules
// (the rules of the English locale): digits, then Latin, then Cyrillic
// letters, case ignored, Ё beside Е. 0 marks a byte the collation ignores;
// bytes that differ only in accents (е, ё) share a primary weight and are
// told apart by the secondary one. Taken from the collator once; a test of
// the sorted lists checks the table against the collator of the machine.
constexpr unsigned char kPrimary[256] = {
      0,   2,   2,   2,   2,   2,   2,   2,   2,   2,   3,   4,   5,   6,   2,   2,  // 0x00
      2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,  // 0x10
      7,  15,  25,  44,  65,  45,  43,  19,  31,  32,  40,  55,  12,   9,  17,  41,  // 0x20
     67,  68,  69,  70,  71,  72,  73,  74,  75,  76,  14,  13,  57,  58,  59,  16,  // 0x30
     39,  77,  78,  79,  80,  81,  82,  83,  84,  85,  86,  87,  88,  89,  90,  92,  // 0x40
     93,  94,  95,  96,  97,  99, 100, 101, 102, 103, 104,  33,  42,  34,  51,   8,  // 0x50
     50,  77,  78,  79,  80,  81,  82,  83,  84,  85,  86,  87,  88,  89,  90,  92,  // 0x60
     93,  94,  95,  96,  97,  99, 100, 101, 102, 103, 104,  35,  61,  36,  63,   2,  // 0x70
    111, 109,  22, 109,  28,  17,  47,  48,  66,  46, 123,  23, 126, 121, 132, 138,  // 0x80
    111,  20,  21,  26,  27,  49,  10,  11, 147,  98, 123,  24, 126, 121, 132, 138,  // 0x90
      7, 133, 133, 120,  64, 109,  62,  37, 112,  53, 113,  29,  60,   2,  54, 118,  // 0xA0
     52,  56, 118, 118, 109, 105,  38,  18, 112,  91, 113,  30, 120, 116, 116, 118,  // 0xB0
    106, 107, 108, 109, 110, 112, 114, 115, 117, 119, 121, 122, 124, 125, 127, 128,  // 0xC0
    129, 130, 131, 133, 134, 135, 136, 137, 139, 140, 141, 142, 143, 144, 145, 146,  // 0xD0
    106, 107, 108, 109, 110, 112, 114, 115, 117, 119, 121, 122, 124, 125, 127, 128,  // 0xE0
    129, 130, 131, 133, 134, 135, 136, 137, 139, 140, 141, 142, 143, 144, 145, 146,  // 0xF0
};
constexpr unsigned char kSecondary[256] = {
      0,   2,   2,   2,   2,   2,   2,   2,   2,   3,   2,   2,   2,   2,   2,   2,  // 0x00
      2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,  // 0x10
      2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,  // 0x20
      2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,  // 0x30
      2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,  // 0x40
      2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,  // 0x50
      2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,  // 0x60
      2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,  // 0x70
      2,   3,   2,   3,   2,   3,   2,   2,   2,   2,   2,   2,   2,   3,   2,   2,  // 0x80
      2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   3,   2,   2,  // 0x90
      2,   3,   3,   2,   2,   4,   2,   2,   3,   2,   2,   2,   2,   2,   2,   3,  // 0xA0
      2,   2,   2,   2,   4,   2,   2,   2,   3,   2,   2,   2,   2,   2,   2,   3,  // 0xB0
      2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,  // 0xC0
      2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,  // 0xD0
      2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,  // 0xE0
      2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,   2,  // 0xF0
};

// Compares the weights of a's and b's non-ignorable bytes: a text whose
// weights run out first sorts first.
int compareWeights(std::string_view a, std::string_view b, const unsigned char (&weight)[256]) {
    std::size_t i = 0, j = 0;
    for (;;) {
        while (i < a.size() && !kPrimary[static_cast<unsigned char>(a[i])]) ++i;
        while (j < b.size() && !kPrimary[static_cast<unsigned char>(b[j])]) ++j;
        const bool endA = i == a.size(), endB = j == b.size();
        if (endA || endB) return endA == endB ? 0 : endA ? -1 : 1;
        const unsigned char wa = weight[static_cast<unsigned char>(a[i])];
        const unsigned char wb = weight[static_cast<unsigned char>(b[j])];
        if (wa != wb) return wa < wb ? -1 : 1;
        ++i;
        ++j;
    }
}

// The first eight bytes of a text's sort key as one number (missing bytes
// are 0, below every key byte, so the order of the numbers is the order of
// the keys as far as they go); `whole` when the key has no more bytes.
std::uint64_t keyPrefix(std::string_view text, bool& whole) {
    unsigned char counted[8];
    std::size_t k = 0;  // non-ignorable bytes seen, up to 8
    std::size_t total = 0;
    for (unsigned char b : text) {
        if (!kPrimary[b]) continue;
        if (k < 8) counted[k++] = b;
        ++total;
    }
    unsigned char key[8] = {};
    std::size_t n = 0;
    for (std::size_t i = 0; i < k && n < 8; ++i) key[n++] = kPrimary[counted[i]];
    if (n < 8 && total == k) key[n++] = 1;  // the separator, when all primaries fit
    for (std::size_t i = 0; i < k && n < 8 && total == k; ++i) key[n++] = kSecondary[counted[i]];
    whole = 2 * total + 1 <= 8;
    std::uint64_t v = 0;
    for (unsigned char byte : key) v = (v << 8) | byte;
    return v;
}

}  // namespace

unsigned char primaryWeight(unsigned char byte) { return kPrimary[byte]; }
unsigned char secondaryWeight(unsigned char byte) { return kSecondary[byte]; }

std::string sortKey(std::string_view text) {
    std::string key;
    key.reserve(text.size() * 2 + 1);
    for (unsigned char b : text)
        if (kPrimary[b]) key.push_back(static_cast<char>(kPrimary[b]));
    key.push_back('\x01');
    for (unsigned char b : text)
        if (kPrimary[b]) key.push_back(static_cast<char>(kSecondary[b]));
    return key;
}

int compare(std::string_view a, std::string_view b) {
    // As the keys compare: the secondaries count only between texts whose
    // primaries are equal.
    if (int c = compareWeights(a, b, kPrimary)) return c;
    return compareWeights(a, b, kSecondary);
}

TextLines inOrder(TextLines&& lines) {
    // Sorts small records, not items, then copies each item once into place.
    // A record carries the first eight bytes of the item's key, which decide
    // most comparisons (all of them between short names); ties on equal
    // items fall back to the list order, so equal items keep it.
    struct Record {
        std::uint64_t prefix;
        std::uint32_t index;
        bool whole;
    };
    // Lists often come sorted already (and a list of one name repeated is):
    // then they are taken as they are.
    bool sorted = true;
    for (std::size_t i = 1; i < lines.size() && sorted; ++i) sorted = compare(lines[i - 1], lines[i]) <= 0;
    if (sorted) return std::move(lines);
    std::vector<Record> order(lines.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) {
        order[i].index = i;
        order[i].prefix = keyPrefix(lines[i], order[i].whole);
    }
    std::sort(order.begin(), order.end(), [&](const Record& a, const Record& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        if (!(a.whole && b.whole))
            if (const int c = compare(lines[a.index], lines[b.index])) return c < 0;
        return a.index < b.index;
    });
    TextLines out;
    out.reserve(lines.size(), lines.text().size());
    for (const Record& r : order) out.append(lines[r.index]);
    return out;
}


}  // namespace kodrix::collation
