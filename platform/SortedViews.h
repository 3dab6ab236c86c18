#pragma once
// Views over SortedStringList: the drop-down list box (no free text, items
// upper-cased, opens when the user types) and the sorted list box.
#include "SortedStringList.h"

#include <QComboBox>
#include <QListView>

namespace kodrix {

class SortedComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit SortedComboBox(QWidget* parent = nullptr);
    SortedStringList* list() const { return list_; }
    // The selected item's bytes ("" with no selection).
    std::string selectedItem() const;
    // Selects an index without raising the change event; -1 or an index
    // beyond the list leaves no selection.
    void selectIndex(int index);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    SortedStringList* list_;
};

class SortedListBox : public QListView {
    Q_OBJECT
public:
    explicit SortedListBox(QWidget* parent = nullptr);
    SortedStringList* list() const { return list_; }
    int itemIndex() const;            // -1 with no selection
    void setItemIndex(int index);     // no change event
    std::string selectedItem() const; // throws "List index out of bounds (-1)" with none
    // Sideways scrolling: the extent is the widest item plus one "x". The
    // rows are as tall as the font's text; both follow a change of font.
    void updateScrollWidth();

signals:
    // The user clicked an item or moved the selection with the keyboard.
    void itemClicked();

protected:
    // With no item selected, the first Down selects the first item.
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Only the left button selects; a right or middle press leaves the
    // selection as it is.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    SortedStringList* list_;
};

}  // namespace kodrix
