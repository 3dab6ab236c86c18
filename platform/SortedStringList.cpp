#include "SortedStringList.h"

#include "Text.h"
#include "catalogue/Collation.h"
#include "catalogue/Cp1251.h"

#include <QFontMetrics>
#include <algorithm>
#include <climits>
#include <stdexcept>

namespace kodrix {

SortedStringList::SortedStringList(QObject* parent) : QAbstractListModel(parent) {}

std::string SortedStringList::sortKey(std::string_view text) { return collation::sortKey(text); }

int SortedStringList::compareKeys(std::string_view a, std::string_view b) { return collation::compare(a, b); }

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
    if (upperCase_) lines.upperCase();
    return std::move(lines);
}

void SortedStringList::replaceWithSorted(TextLines&& lines) {
    TextLines sorted = collation::inOrder(std::move(lines));
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
    std::size_t bytes = 0;
    for (const auto& s : list) bytes += s.size();
    added.reserve(list.size(), bytes);
    for (const auto& s : list) added.append(s);
    addLines(std::move(added));
}

void SortedStringList::addLines(TextLines&& list) {
    // The items are in order already: the new ones are sorted on their own
    // and merged in, after every equal item, as one sort of both would put
    // them.
    TextLines added = collation::inOrder(upperCased(std::move(list)));
    TextLines all = items_.empty() ? std::move(added) : collation::merged(items_, added);
    beginResetModel();
    items_ = std::move(all);
    endResetModel();
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
    // that can be the widest, and measure only those exactly: the greatest
    // estimates first, at most kMeasured of them (a list of millions of
    // names of one width would otherwise be shaped whole), until the next
    // estimate is too small to come out wider than the widest measured. How
    // far shaping (kerning) moves a width from its estimate is learnt from
    // the names measured, the first kLearnt of them at least.
    constexpr std::size_t kMeasured = 256, kLearnt = 8;
    int advance[256] = {};
    for (int b = 1; b < 256; ++b) advance[b] = fm.horizontalAdvance(fromCp1251(std::string(1, char(b))).at(0));
    // The kMeasured greatest estimates in one pass (a min-heap).
    std::vector<std::pair<int, std::size_t>> best;
    best.reserve(kMeasured);
    auto greater = [](const auto& a, const auto& b) { return a.first > b.first; };
    const long widestByte = *std::max_element(std::begin(advance), std::end(advance));
    for (std::size_t i = 0; i < items_.size(); ++i) {
        // A name too short to beat the least of the greatest estimates even
        // in its widest letters is not summed.
        if (best.size() == kMeasured &&
            static_cast<long>(std::min<std::size_t>(items_[i].size(), INT_MAX)) * widestByte <= best.front().first)
            continue;
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
    std::sort_heap(best.begin(), best.end(), greater);  // the greatest estimate first
    int widest = 0;
    int excess = 0;  // the most a measured width came out above its estimate
    for (std::size_t k = 0; k < best.size(); ++k) {
        const auto& [e, i] = best[k];
        if (k >= kLearnt && e + excess + 1 < widest) break;
        const int width = fm.horizontalAdvance(fromCp1251(items_[i]));
        excess = std::max(excess, width - e);
        widest = std::max(widest, width);
    }
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
