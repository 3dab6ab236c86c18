#include "Collation.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
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

// Writes a text's sort key at out (room for 2 * size + 1 bytes): the
// primary weights of its bytes, a 0x01 separator, then their secondary
// weights (ignorable bytes left out). Returns the end of the key.
char* writeSortKey(char* out, std::string_view text) {
    char* p = out;
    for (unsigned char b : text) {
        *p = static_cast<char>(kPrimary[b]);
        p += kPrimary[b] != 0;
    }
    const std::size_t weighed = static_cast<std::size_t>(p - out);
    *p++ = '\x01';
    if (weighed == text.size()) {
        for (unsigned char b : text) *p++ = static_cast<char>(kSecondary[b]);
    } else {
        for (unsigned char b : text)
            if (kPrimary[b]) *p++ = static_cast<char>(kSecondary[b]);
    }
    return p;
}

// The collation ignores the zero byte alone, so a text's key is the key of
// the text without its zero bytes; and then a text of n bytes has a key of
// 2n + 1 bytes, byte k of which comes from byte k of the text (a primary
// weight), the separator or byte k - n - 1 (a secondary weight).
constexpr bool onlyZeroIgnored() {
    for (int b = 1; b < 256; ++b)
        if (kPrimary[b] == 0) return false;
    return kPrimary[0] == 0;
}
static_assert(onlyZeroIgnored());

// Byte k of the key of a text without zero bytes.
inline unsigned char keyByte(std::string_view text, std::size_t k) {
    const std::size_t n = text.size();
    if (k < n) return kPrimary[static_cast<unsigned char>(text[k])];
    if (k == n) return 1;
    return kSecondary[static_cast<unsigned char>(text[k - n - 1])];
}

// Sorts items by their keys, equal keys in list order, reading the keys'
// bytes off the items. Records hold eight key bytes and the item's index; a
// large range of them goes through a radix sort, eight passes of one byte
// each (a pass where every record has the same byte is skipped), a small one
// through a comparison sort. Records whose keys agree on those eight bytes
// are sorted again on the next eight.
class KeySorter {
public:
    struct Record {
        std::uint64_t prefix;
        std::uint32_t index;
    };

    explicit KeySorter(const TextLines& lines) : texts_(&lines) {
        const std::string& all = lines.text();
        if (all.empty() || !std::memchr(all.data(), 0, all.size())) return;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            std::string text(lines[i]);
            std::erase(text, '\0');
            withoutZeros_.append(text);
        }
        texts_ = &withoutZeros_;
    }

    // The items' indexes in key order.
    std::vector<Record> order() {
        std::vector<Record> records(texts_->size());
        for (std::uint32_t i = 0; i < records.size(); ++i) records[i].index = i;
        std::vector<Record> scratch(records.size());
        std::vector<Range> work{{0, records.size(), 0}};
        while (!work.empty()) {
            const Range r = work.back();
            work.pop_back();
            Record* const first = records.data() + r.first;
            const std::size_t n = r.last - r.first;
            for (std::size_t i = 0; i < n; ++i) first[i].prefix = prefixAt(text(first[i].index), r.depth);
            if (n < kRadix)
                std::sort(first, first + n, [](const Record& a, const Record& b) {
                    return a.prefix != b.prefix ? a.prefix < b.prefix : a.index < b.index;
                });
            else
                byRadix(first, n, scratch.data() + r.first);
            for (std::size_t i = 0; i < n;) {
                std::size_t j = i + 1;
                while (j < n && first[j].prefix == first[i].prefix) ++j;
                // Keys that end within these eight bytes are equal (a
                // shorter key's prefix holds a zero where a longer one has
                // a key byte), and already in list order.
                if (j - i > 1 && keySize(text(first[i].index)) > r.depth + 8)
                    work.push_back({r.first + i, r.first + j, r.depth + 8});
                i = j;
            }
        }
        return records;
    }

private:
    // Records that agree on their keys' first `depth` bytes, in list order
    // where the keys are equal so far.
    struct Range {
        std::size_t first, last, depth;
    };
    // Fewer records than this are sorted by comparing their prefixes (and
    // indexes, for list order): a radix sort's passes and counts cost more
    // than that on the many small ranges that names sharing long beginnings
    // ("Name 2 3 4 ...") leave at every depth.
    static constexpr std::size_t kRadix = 1024;

    std::string_view text(std::uint32_t i) const { return (*texts_)[i]; }
    static std::size_t keySize(std::string_view text) { return 2 * text.size() + 1; }

    // Key bytes depth..depth+7 as one number, most significant first;
    // missing bytes are 0, below every key byte, so the numbers order as
    // the keys do as far as they go.
    static std::uint64_t prefixAt(std::string_view text, std::size_t depth) {
        std::uint64_t v = 0;
        if (depth + 8 <= text.size()) {  // primary weights alone, the common case
            const auto* p = reinterpret_cast<const unsigned char*>(text.data()) + depth;
            for (int k = 0; k < 8; ++k) v = (v << 8) | kPrimary[p[k]];
            return v;
        }
        const std::size_t size = keySize(text);
        for (std::size_t k = depth; k < depth + 8; ++k) v = (v << 8) | (k < size ? keyByte(text, k) : 0u);
        return v;
    }

    // A stable sort of n records on their prefixes, least significant byte
    // first, through scratch (n records) and back.
    static void byRadix(Record* records, std::size_t n, Record* scratch) {
        std::size_t counts[8][256] = {};
        for (std::size_t i = 0; i < n; ++i)
            for (int b = 0; b < 8; ++b) ++counts[b][(records[i].prefix >> (8 * b)) & 0xFF];
        Record* from = records;
        Record* to = scratch;
        for (int b = 0; b < 8; ++b) {
            std::size_t* count = counts[b];
            if (count[(from[0].prefix >> (8 * b)) & 0xFF] == n) continue;  // one byte value: order unchanged
            std::size_t next = 0;
            for (int v = 0; v < 256; ++v) {
                const std::size_t c = count[v];
                count[v] = next;
                next += c;
            }
            for (std::size_t i = 0; i < n; ++i) to[count[(from[i].prefix >> (8 * b)) & 0xFF]++] = from[i];
            std::swap(from, to);
        }
        if (from != records) std::copy(from, from + n, records);
    }

    const TextLines* texts_;
    TextLines withoutZeros_;  // the items without zero bytes, when some have them
};

}  // namespace

unsigned char primaryWeight(unsigned char byte) { return kPrimary[byte]; }
unsigned char secondaryWeight(unsigned char byte) { return kSecondary[byte]; }

std::string sortKey(std::string_view text) {
    std::string key(2 * text.size() + 1, '\0');
    key.resize(static_cast<std::size_t>(writeSortKey(key.data(), text) - key.data()));
    return key;
}

int compare(std::string_view a, std::string_view b) {
    // As the keys compare: the secondaries count only between texts whose
    // primaries are equal.
    if (int c = compareWeights(a, b, kPrimary)) return c;
    return compareWeights(a, b, kSecondary);
}

std::vector<std::uint32_t> order(const TextLines& lines) {
    std::vector<std::uint32_t> indexes(lines.size());
    // Lists often come sorted already (and a list of one name repeated is).
    bool sorted = true;
    for (std::size_t i = 1; i < lines.size() && sorted; ++i) sorted = compare(lines[i - 1], lines[i]) <= 0;
    if (sorted) {
        for (std::uint32_t i = 0; i < indexes.size(); ++i) indexes[i] = i;
        return indexes;
    }
    const std::vector<KeySorter::Record> records = KeySorter(lines).order();
    for (std::size_t i = 0; i < records.size(); ++i) indexes[i] = records[i].index;
    return indexes;
}

TextLines inOrder(TextLines&& lines) {
    const std::vector<std::uint32_t> indexes = order(lines);
    bool same = true;
    for (std::uint32_t i = 0; i < indexes.size() && same; ++i) same = indexes[i] == i;
    if (same) return std::move(lines);
    TextLines out;
    out.reserve(lines.size(), lines.text().size());
    for (const std::uint32_t i : indexes) out.append(lines[i]);
    return out;
}

TextLines merged(const TextLines& first, const TextLines& second) {
    TextLines out;
    out.reserve(first.size() + second.size(), first.text().size() + second.text().size());
    std::size_t i = 0, j = 0;
    while (i < first.size() && j < second.size()) {
        // An item of the second list goes first only when it sorts strictly
        // before: equal items keep the first list's ahead.
        if (compare(second[j], first[i]) < 0) out.append(second[j++]);
        else out.append(first[i++]);
    }
    for (; i < first.size(); ++i) out.append(first[i]);
    for (; j < second.size(); ++j) out.append(second[j]);
    return out;
}

}  // namespace kodrix::collation
