#include "WorkList.h"

#include "platform/Text.h"

#include <stdexcept>

namespace kodrix {

std::string_view WorkList::item(int index) const {
    if (index < 0 || index >= count()) throw std::out_of_range("WorkList::item");
    return items_[static_cast<std::size_t>(index)];
}

template <typename List>
void WorkList::appendAll(const List& items) {
    if (items.empty()) return;
    const int first = count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(items.size()) - 1);
    for (std::size_t i = 0; i < items.size(); ++i) items_.append(items[i]);
    endInsertRows();
}

void WorkList::append(const std::vector<std::string>& items) { appendAll(items); }
void WorkList::append(const TextLines& items) { appendAll(items); }

void WorkList::clear() {
    if (items_.empty()) return;
    beginResetModel();
    items_.clear();
    endResetModel();
}

int WorkList::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count(); }

QVariant WorkList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= count() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return fromCp1251(item(index.row()));
}

}  // namespace kodrix
