#pragma once
// The search's work lists (the letter groups of a run and its candidate
// names): items in the order they were added, never sorted, never shown.
// Items are cp1251 bytes; the model shows them as text.
#include <QAbstractListModel>
#include <string>
#include <vector>

namespace kodrix {

class WorkList : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int count() const { return static_cast<int>(items_.size()); }
    const std::string& item(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    const std::vector<std::string>& items() const { return items_; }

    // Appends after the existing items, in their order.
    void append(const std::vector<std::string>& items);
    void clear();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    std::vector<std::string> items_;
};

}  // namespace kodrix
