#include "SortedStringList.h"

#include "Text.h"
#include "catalogue/Cp1251.h"

#include <QFontMetrics>
#include <algorithm>
#include <stdexcept>

namespace kodrix {

SortedStringList::SortedStringList(QObject* parent) : QAbstractListModel(parent) {}

const QCollator& SortedStringList::collator() {
    // The common (root) collation rules, as the English locale has them:
    // digits, then Latin, then Cyrillic letters, case ignored, and Ё beside
    // Е. The Russian locale's own rules would put Cyrillic before Latin,
    // which is not the order the catalogue's lists have always shown.
    static const QCollator c = [] {
        QCollator col(QLocale(QLocale::English, QLocale::UnitedStates));
        col.setCaseSensitivity(Qt::CaseInsensitive);
        col.setNumericMode(false);
        col.setIgnorePunctuation(false);
        return col;
    }();
    return c;
}

namespace {

// The collation's weights for every byte of the code page, taken from the
// collator itself once:
// - a byte the collator ignores entirely (compares equal to "") has none;
// - bytes whose one-character texts differ only in accents (е and ё) share a
//   primary weight: two characters x < y differ only there when x+"b" sorts
//   after y+"a", since a primary difference in a later character outweighs
//   an accent difference in an earlier one;
// - the secondary weight orders the bytes inside one primary weight.
// A key is the primary weights of the text, a 0x01 separator, then the
// secondary weights; comparing keys byte-wise compares primaries first and
// accents only between texts that are otherwise equal, as the collator does.
struct ByteWeights {
    unsigned char primary[256] = {};
    unsigned char secondary[256] = {};

    ByteWeights() {
        const QCollator& col = SortedStringList::collator();
        std::vector<int> bytes;
        for (int b = 1; b < 256; ++b) {
            if (col.compare(fromCp1251(std::string(1, char(b))), QString()) == 0) continue;  // ignorable
            bytes.push_back(b);
        }
        auto text = [](int b) { return fromCp1251(std::string(1, char(b))); };
        std::stable_sort(bytes.begin(), bytes.end(),
                         [&](int x, int y) { return col.compare(text(x), text(y)) < 0; });
        int p = 1, s = 1;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (i > 0) {
                const QString x = text(bytes[i - 1]), y = text(bytes[i]);
                const int order = col.compare(x, y);
                if (order != 0 && col.compare(x + QLatin1Char('b'), y + QLatin1Char('a')) < 0) {
                    ++p;  // a primary difference
                    s = 1;
                } else if (order != 0) {
                    ++s;  // an accent difference only
                }
            }
            primary[bytes[i]] = static_cast<unsigned char>(p + 1);  // weights start above the separator
            secondary[bytes[i]] = static_cast<unsigned char>(s + 1);
        }
    }
};

const ByteWeights& byteWeights() {
    static const ByteWeights w;
    return w;
}

}  // namespace

std::string SortedStringList::sortKey(std::string_view text) {
    const ByteWeights& w = byteWeights();
    std::string key;
    key.reserve(text.size() * 2 + 1);
    for (unsigned char b : text)
        if (w.primary[b]) key.push_back(static_cast<char>(w.primary[b]));
    key.push_back('\x01');
    for (unsigned char b : text)
        if (w.primary[b]) key.push_back(static_cast<char>(w.secondary[b]));
    return key;
}

namespace {

// Compares the weights of a's and b's non-ignorable bytes, as the keys hold
// them: a text whose weights run out first sorts first.
int compareWeights(std::string_view a, std::string_view b, const unsigned char (&weight)[256],
                   const unsigned char (&primary)[256]) {
    std::size_t i = 0, j = 0;
    for (;;) {
        while (i < a.size() && !primary[static_cast<unsigned char>(a[i])]) ++i;
        while (j < b.size() && !primary[static_cast<unsigned char>(b[j])]) ++j;
        const bool endA = i == a.size(), endB = j == b.size();
        if (endA || endB) return endA == endB ? 0 : endA ? -1 : 1;
        const unsigned char wa = weight[static_cast<unsigned char>(a[i])];
        const unsigned char wb = weight[static_cast<unsigned char>(b[j])];
        if (wa != wb) return wa < wb ? -1 : 1;
        ++i;
        ++j;
    }
}

}  // namespace

int SortedStringList::compareKeys(std::string_view a, std::string_view b) {
    // The key is the primary weights, a separator below every weight, then
    // the secondary weights: the secondaries count only between texts whose
    // primaries are equal (and then as many).
    const ByteWeights& w = byteWeights();
    if (int c = compareWeights(a, b, w.primary, w.primary)) return c;
    return compareWeights(a, b, w.secondary, w.primary);
}

std::string_view SortedStringList::itemView(int index) const {
    if (index < 0 || index >= count()) throw std::out_of_range("SortedStringList::itemView");
    return items_[static_cast<std::size_t>(index)];
}

QString SortedStringList::text(int index) const { return fromCp1251(itemView(index)); }

std::vector<std::string> SortedStringList::items() const { return items_.toStrings(); }

int SortedStringList::add(const std::string& cp1251) {
    const std::string bytes = upperCase_ ? cp1251::upper(cp1251) : cp1251;
    // After every equal item: the first item that sorts after it.
    std::size_t lo = 0, hi = items_.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (compareKeys(bytes, items_[mid]) < 0)
            hi = mid;
        else
            lo = mid + 1;
    }
    const int row = static_cast<int>(lo);
    beginInsertRows(QModelIndex(), row, row);
    items_.insert(lo, bytes);
    endInsertRows();
    return row;
}

TextLines SortedStringList::upperCased(TextLines&& lines) const {
    if (!upperCase_) return std::move(lines);
    TextLines out;
    out.reserve(lines.size(), lines.text().size());
    for (std::size_t i = 0; i < lines.size(); ++i) out.append(cp1251::upper(lines[i]));
    return out;
}

namespace {

// The first eight bytes of a text's sort key as one number (missing bytes
// are 0, below every key byte, so the order of the numbers is the order of
// the keys as far as they go); `whole` when the key has no more bytes.
std::uint64_t keyPrefix(std::string_view text, bool& whole) {
    const ByteWeights& w = byteWeights();
    unsigned char counted[8];
    std::size_t k = 0;  // non-ignorable bytes seen, up to 8
    std::size_t total = 0;
    for (unsigned char b : text) {
        if (!w.primary[b]) continue;
        if (k < 8) counted[k++] = b;
        ++total;
    }
    unsigned char key[8] = {};
    std::size_t n = 0;
    for (std::size_t i = 0; i < k && n < 8; ++i) key[n++] = w.primary[counted[i]];
    if (n < 8 && total == k) key[n++] = 1;  // the separator, when all primaries fit
    for (std::size_t i = 0; i < k && n < 8 && total == k; ++i) key[n++] = w.secondary[counted[i]];
    whole = 2 * total + 1 <= 8;
    std::uint64_t v = 0;
    for (unsigned char byte : key) v = (v << 8) | byte;
    return v;
}

}  // namespace

void SortedStringList::replaceWithSorted(TextLines&& lines) {
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
    bool inOrder = true;
    for (std::size_t i = 1; i < lines.size() && inOrder; ++i) inOrder = compareKeys(lines[i - 1], lines[i]) <= 0;
    if (inOrder) {
        beginResetModel();
        items_ = std::move(lines);
        endResetModel();
        return;
    }
    std::vector<Record> order(lines.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) {
        order[i].index = i;
        order[i].prefix = keyPrefix(lines[i], order[i].whole);
    }
    std::sort(order.begin(), order.end(), [&](const Record& a, const Record& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        if (!(a.whole && b.whole))
            if (const int c = compareKeys(lines[a.index], lines[b.index])) return c < 0;
        return a.index < b.index;
    });
    TextLines sorted;
    sorted.reserve(lines.size(), lines.text().size());
    for (const Record& r : order) sorted.append(lines[r.index]);
    order = {};
    lines = TextLines();
    beginResetModel();
    items_ = std::move(sorted);
    endResetModel();
}

void SortedStringList::assignLines(TextLines&& list) { replaceWithSorted(upperCased(std::move(list))); }

void SortedStringList::assign(const std::vector<std::string>& list) {
    TextLines lines;
    std::size_t bytes = 0;
    for (const auto& s : list) bytes += s.size();
    lines.reserve(list.size(), bytes);
    for (const auto& s : list) lines.append(s);
    assignLines(std::move(lines));
}

void SortedStringList::addMany(const std::vector<std::string>& list) {
    TextLines added;
    for (const auto& s : list) added.append(s);
    added = upperCased(std::move(added));
    TextLines all;
    all.reserve(items_.size() + added.size(), items_.text().size() + added.text().size());
    for (std::size_t i = 0; i < items_.size(); ++i) all.append(items_[i]);
    for (std::size_t i = 0; i < added.size(); ++i) all.append(added[i]);
    replaceWithSorted(std::move(all));
}

void SortedStringList::clear() {
    if (items_.empty()) return;
    beginResetModel();
    items_ = TextLines();
    endResetModel();
}

int SortedStringList::indexOf(const std::string& cp1251) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i] == cp1251) return static_cast<int>(i);
    return -1;
}

int SortedStringList::widestTextWidth(const QFontMetrics& fm) const {
    // Measuring every name exactly means shaping thousands of texts; instead
    // sum each byte's own advance (one table per call) to find the few names
    // that can be the widest, and measure only those exactly: the ones
    // estimated near the widest, at most kMeasured of them (a list of
    // millions of names of one width would otherwise be shaped whole).
    constexpr std::size_t kMeasured = 256;
    int advance[256] = {};
    for (int b = 1; b < 256; ++b) advance[b] = fm.horizontalAdvance(fromCp1251(std::string(1, char(b))).at(0));
    // The kMeasured greatest estimates in one pass (a min-heap); the widest
    // estimate is among them.
    std::vector<std::pair<int, std::size_t>> best;
    best.reserve(kMeasured);
    auto greater = [](const auto& a, const auto& b) { return a.first > b.first; };
    for (std::size_t i = 0; i < items_.size(); ++i) {
        int e = 0;
        for (unsigned char b : items_[i]) e += advance[b];
        if (best.size() < kMeasured) {
            best.emplace_back(e, i);
            std::push_heap(best.begin(), best.end(), greater);
        } else if (e > best.front().first) {
            std::pop_heap(best.begin(), best.end(), greater);
            best.back() = {e, i};
            std::push_heap(best.begin(), best.end(), greater);
        }
    }
    int most = 0;
    for (const auto& candidate : best) most = std::max(most, candidate.first);
    const int threshold = most - most / 8 - fm.averageCharWidth();  // kerning and shaping move little
    int widest = 0;
    for (const auto& [e, i] : best)
        if (e >= threshold) widest = std::max(widest, fm.horizontalAdvance(fromCp1251(items_[i])));
    return widest;
}

int SortedStringList::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

QVariant SortedStringList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= count()) return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole) return text(index.row());
    if (role == Qt::SizeHintRole && rowSizeHint_.isValid()) return rowSizeHint_;
    return {};
}

}  // namespace kodrix
