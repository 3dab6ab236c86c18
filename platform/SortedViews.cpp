#include "SortedViews.h"

#include "catalogue/Error.h"
#include "platform/DropDownStyle.h"
#include "catalogue/Messages.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QProxyStyle>

namespace kodrix {
SortedComboBox::SortedComboBox(QWidget* parent) : QComboBox(parent), list_(new SortedStringList(this)) {
    list_->setUpperCase(true);
    setModel(list_);
    setEditable(false);
    setInsertPolicy(QComboBox::NoInsert);
    DropDownStyle::apply(this, 8);
}

std::string SortedComboBox::selectedItem() const {
    int i = currentIndex();
    return i >= 0 && i < list_->count() ? list_->item(i) : std::string();
}

void SortedComboBox::selectIndex(int index) {
    QSignalBlocker block(this);
    setCurrentIndex(index >= 0 && index < list_->count() ? index : -1);
}

void SortedComboBox::keyPressEvent(QKeyEvent* event) {
    // Typing opens the drop-down, as the classic drop-down list does.
    if (!event->text().isEmpty() && event->text().at(0).isPrint() && count() > 0) {
        showPopup();
    }
    QComboBox::keyPressEvent(event);
}

SortedListBox::SortedListBox(QWidget* parent) : QListView(parent), list_(new SortedStringList(this)) {
    setModel(list_);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(this, &QListView::clicked, this, &SortedListBox::itemClicked);
}

void SortedListBox::keyPressEvent(QKeyEvent* event) {
    const int before = itemIndex();
    // The view's cursor may rest on the first item without selecting it (a
    // list that took the focus by Tab): Down would move on to the second.
    if (before < 0 && event->key() == Qt::Key_Down && event->modifiers() == Qt::NoModifier && list_->count() > 0) {
        setCurrentIndex(list_->index(0));
        event->accept();
        emit itemClicked();
        return;
    }
    QListView::keyPressEvent(event);
    if (itemIndex() != before && itemIndex() >= 0) emit itemClicked();
}

void SortedListBox::changeEvent(QEvent* event) {
    QListView::changeEvent(event);
    if (event->type() == QEvent::FontChange) updateScrollWidth();
}

void SortedListBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();  // the context menu comes as an event of its own
        return;
    }
    QListView::mousePressEvent(event);
}

void SortedListBox::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() != Qt::NoButton && !(event->buttons() & Qt::LeftButton)) return;
    QListView::mouseMoveEvent(event);
}

void SortedListBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    QListView::mouseReleaseEvent(event);
}

int SortedListBox::itemIndex() const {
    QModelIndex i = currentIndex();
    return i.isValid() && selectionModel()->isSelected(i) ? i.row() : -1;
}

void SortedListBox::setItemIndex(int index) {
    QSignalBlocker block(this);
    if (index < 0 || index >= list_->count()) {
        selectionModel()->clear();
        return;
    }
    QModelIndex i = list_->index(index);
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
    scrollTo(i);
}

std::string SortedListBox::selectedItem() const {
    int i = itemIndex();
    if (i < 0) throw Error(messages::listIndexOutOfBounds(i));
    return list_->item(i);
}

void SortedListBox::updateScrollWidth() {
    const QFontMetrics fm(font());
    int width = list_->widestTextWidth(fm) + fm.horizontalAdvance(QLatin1Char('x'));
    // Rows are uniform, so the first row's size hint sets the view's extent.
    list_->setRowSizeHint(QSize(width, fm.height() + 2));
    doItemsLayout();
}

}  // namespace kodrix
