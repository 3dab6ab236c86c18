#include "WorkList.h"

#include "platform/Text.h"

namespace kodrix {

void WorkList::append(const std::vector<std::string>& items) {
    if (items.empty()) return;
    const int first = count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(items.size()) - 1);
    items_.insert(items_.end(), items.begin(), items.end());
    endInsertRows();
}

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
