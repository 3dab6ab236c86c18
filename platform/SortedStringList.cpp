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
    auto pos = std::upper_bound(items_.begin(), items_.end(), item, less);
    int row = static_cast<int>(pos - items_.begin());
    beginInsertRows(QModelIndex(), row, row);
    items_.insert(pos, std::move(item));
    endInsertRows();
    return row;
}

void SortedStringList::assign(const std::vector<std::string>& list) {
    std::vector<Item> fresh;
    fresh.reserve(list.size());
    for (const auto& s : list) fresh.push_back(makeItem(s));
    std::stable_sort(fresh.begin(), fresh.end(), less);
    beginResetModel();
    items_ = std::move(fresh);
    endResetModel();
}

void SortedStringList::addMany(const std::vector<std::string>& list) {
    std::vector<Item> fresh;
    fresh.reserve(items_.size() + list.size());
    for (auto& i : items_) fresh.push_back(std::move(i));
    for (const auto& s : list) fresh.push_back(makeItem(s));
    std::stable_sort(fresh.begin(), fresh.end(), less);
    beginResetModel();
    items_ = std::move(fresh);
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
    int w = 0;
    for (const auto& i : items_) w = std::max(w, fm.horizontalAdvance(i.text));
    return w;
}

int SortedStringList::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

QVariant SortedStringList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= count()) return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole) return items_[static_cast<std::size_t>(index.row())].text;
    if (role == Qt::SizeHintRole && rowSizeHint_.isValid()) return rowSizeHint_;
    return {};
}

}  // namespace kodrix
