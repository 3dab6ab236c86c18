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

SortedStringList::Item SortedStringList::makeItem(const std::string& cp1251) const {
    std::string bytes = upperCase_ ? cp1251::upper(cp1251) : cp1251;
    QString text = fromCp1251(bytes);
    QCollatorSortKey key = collator().sortKey(text);
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
