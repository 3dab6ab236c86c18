#include "SortedStringList.h"

#include "Text.h"
#include "catalogue/Cp1251.h"

#include <QFontMetrics>
#include <algorithm>

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

SortedStringList::Item SortedStringList::makeItem(const std::string& cp1251) const {
    std::string bytes = upperCase_ ? cp1251::upper(cp1251) : cp1251;
    QString text = fromCp1251(bytes);
    std::string key = sortKey(bytes);
    return Item{std::move(bytes), std::move(text), std::move(key)};
}

std::vector<std::string> SortedStringList::items() const {
    std::vector<std::string> out;
    out.reserve(items_.size());
    for (const auto& i : items_) out.push_back(i.bytes);
    return out;
}

int SortedStringList::add(const std::string& cp1251) {
    Item item = makeItem(cp1251);
    auto pos = std::upper_bound(items_.begin(), items_.end(), item, [](const Item& a, const Item& b) { return a.key < b.key; });
    int row = static_cast<int>(pos - items_.begin());
    beginInsertRows(QModelIndex(), row, row);
    items_.insert(pos, std::move(item));
    endInsertRows();
    return row;
}

// Sorts by moving indexes, not items, then places each item once.
static std::vector<SortedStringList::Item> sortedItems(std::vector<SortedStringList::Item>&& items) {
    std::vector<std::uint32_t> order(items.size());
    for (std::uint32_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return items[a].key < items[b].key; });
    std::vector<SortedStringList::Item> out;
    out.reserve(items.size());
    for (std::uint32_t i : order) out.push_back(std::move(items[i]));
    return out;
}

void SortedStringList::assign(const std::vector<std::string>& list) {
    std::vector<Item> fresh;
    fresh.reserve(list.size());
    for (const auto& s : list) fresh.push_back(makeItem(s));
    fresh = sortedItems(std::move(fresh));
    beginResetModel();
    items_.swap(fresh);
    endResetModel();
}

void SortedStringList::addMany(const std::vector<std::string>& list) {
    std::vector<Item> fresh;
    fresh.reserve(items_.size() + list.size());
    for (auto& i : items_) fresh.push_back(std::move(i));
    for (const auto& s : list) fresh.push_back(makeItem(s));
    fresh = sortedItems(std::move(fresh));
    beginResetModel();
    items_.swap(fresh);
    endResetModel();
}

void SortedStringList::clear() {
    if (items_.empty()) return;
    beginResetModel();
    items_.clear();
    endResetModel();
}

int SortedStringList::indexOf(const std::string& cp1251) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i].bytes == cp1251) return static_cast<int>(i);
    return -1;
}

int SortedStringList::widestTextWidth(const QFontMetrics& fm) const {
    // Measuring every name exactly means shaping thousands of texts; instead
    // sum each byte's own advance (one table per call) to find the few names
    // that can be the widest, and measure only those exactly.
    int advance[256] = {};
    for (int b = 1; b < 256; ++b) advance[b] = fm.horizontalAdvance(fromCp1251(std::string(1, char(b))).at(0));
    std::vector<int> estimate(items_.size());
    int most = 0;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        int w = 0;
        for (unsigned char b : items_[i].bytes) w += advance[b];
        estimate[i] = w;
        most = std::max(most, w);
    }
    int widest = 0;
    const int threshold = most - most / 8 - fm.averageCharWidth();  // kerning and shaping move little
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (estimate[i] >= threshold) widest = std::max(widest, fm.horizontalAdvance(items_[i].text));
    return widest;
}

int SortedStringList::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

QVariant SortedStringList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= count()) return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole) return items_[static_cast<std::size_t>(index.row())].text;
    if (role == Qt::SizeHintRole && rowSizeHint_.isValid()) return rowSizeHint_;
    return {};
}

}  // namespace kodrix
