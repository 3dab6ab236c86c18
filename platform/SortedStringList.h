#pragma once
// The sorted lists of the program (platforms, letters, games, walkthroughs,
// search results): items kept in case-insensitive collation order, the same
// on any machine whatever the process locale (Latin before Cyrillic, Ё beside
// Е, not after Я as code-point order would put it), duplicates kept,
// indexes in sorted order. Items are cp1251 bytes as the catalogue gives
// them; the model shows them as text.
//
// A game list may hold millions of lines, so an item costs its bytes and one
// number: the items' bytes lie back to back in one buffer (TextLines). The
// text shown and the sort order are worked out from the bytes when needed
// (the collation's weights are a table per byte value, see the .cpp).
#include "catalogue/TextList.h"

#include <QAbstractListModel>
#include <QFontMetrics>
#include <QSize>
#include <string>
#include <string_view>
#include <vector>

namespace kodrix {

class SortedStringList : public QAbstractListModel {
    Q_OBJECT
public:
    explicit SortedStringList(QObject* parent = nullptr);

    // Items added to an upper-case list are stored upper-cased (the
    // drop-down lists of platforms and letters).
    void setUpperCase(bool on) { upperCase_ = on; }
    bool upperCase() const { return upperCase_; }

    int count() const { return static_cast<int>(items_.size()); }
    // The item's bytes; throws std::out_of_range for an index outside the list.
    std::string item(int index) const { return std::string(itemView(index)); }
    // The same without a copy; valid until the list changes.
    std::string_view itemView(int index) const;
    QString text(int index) const;
    std::vector<std::string> items() const;

    // Inserts at the item's place; returns its index.
    int add(const std::string& cp1251);
    // Replace the whole content in one step.
    void assign(const std::vector<std::string>& cp1251Items);
    void assignLines(TextLines&& cp1251Items);
    // Inserts many items at their places in one step.
    void addMany(const std::vector<std::string>& cp1251Items);
    void clear();
    // Index of the first item equal byte for byte, or -1.
    int indexOf(const std::string& cp1251) const;

    // The widest item's advance in a font, for sideways scrolling.
    int widestTextWidth(const QFontMetrics& fm) const;

    // A size every row reports (the list box sets it for sideways scrolling).
    void setRowSizeHint(QSize size) { rowSizeHint_ = size; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The sort key of a cp1251 text: ordering keys byte-wise orders the texts
    // by the root collation rules, case ignored (see catalogue/Collation.h).
    static std::string sortKey(std::string_view cp1251);
    // <0, 0 or >0 as sortKey(a) compares with sortKey(b), without building the keys.
    static int compareKeys(std::string_view a, std::string_view b);

private:
    // Sorts lines (stable: equal items keep their order) into items_.
    void replaceWithSorted(TextLines&& lines);
    TextLines upperCased(TextLines&& lines) const;

    TextLines items_;  // in sorted order
    bool upperCase_ = false;
    QSize rowSizeHint_;
};

}  // namespace kodrix
