#pragma once
// The search's work lists (the letter groups of a run and its candidate
// names): items in the order they were added, never sorted, never shown.
// Items are cp1251 bytes, kept back to back as the sorted lists keep them (a
// run may collect every name of a platform); the model shows them as text.
#include "catalogue/TextList.h"

#include <QAbstractListModel>
#include <string>
#include <string_view>
#include <vector>

namespace kodrix {

class WorkList : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int count() const { return static_cast<int>(items_.size()); }
    // The item's bytes; throws std::out_of_range for an index outside the list.
    std::string_view item(int index) const;
    std::vector<std::string> items() const { return items_.toStrings(); }
    // Every item, in order, without a copy; valid until the list changes.
    const TextLines& lines() const { return items_; }

    // Appends after the existing items, in their order.
    void append(const std::vector<std::string>& items);
    void append(const TextLines& items);
    void clear();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    template <typename List>
    void appendAll(const List& items);

    TextLines items_;
};

}  // namespace kodrix
