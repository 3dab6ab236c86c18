#pragma once
// The text actions of a window's rich-text views: one popup menu
// (`PopupMenu3`) that every view of the window carries, with copy, select
// all, print (always disabled), save to a file and, on the main window, view
// in a window.
//
// The actions work on the owning window's active control (the control it
// last gave the focus to), not on the view the menu was opened over. That
// control must be a rich-text view; anything else, or no control at all,
// ends the action with "Invalid class typecast". The items' handlers run
// through the general error report, shown over the owning window.
#include "platform/dialogs/Dialogs.h"
#include "platform/richedit/RichEditView.h"

#include <QObject>
#include <QPointer>

class QAction;
class QMenu;

namespace kodrix {

class TForm3;

class TextActions : public QObject {
    Q_OBJECT
public:
    // owner: the window whose active control the actions take; withViewItem:
    // whether the menu ends with "Просмотреть в окне" (the main window's does,
    // the detached viewer's does not).
    TextActions(QWidget* owner, bool withViewItem);

    // The menu and its items, under their component names; N11 is null
    // without the view item. The owner keeps the menu (give it to each view
    // with RichEditView::setPopupMenu).
    QMenu* PopupMenu3 = nullptr;
    QAction* N6 = nullptr;   // "Копировать"
    QAction* N7 = nullptr;   // "Выделить все"
    QAction* N8 = nullptr;   // "Печать", always disabled
    QAction* N10 = nullptr;  // "Сохранить в файл"
    QAction* N11 = nullptr;  // "Просмотреть в окне"

    // The window's save dialog: default extension "doc", the filter
    // "Text (txt)|*.doc|Any FileS(*.*)|*.*", asks before overwriting.
    dialogs::SaveDialog SaveDialog;

    // The detached viewer that "Просмотреть в окне" shows.
    void setViewer(TForm3* viewer);

    // The items' handlers; they throw the program's errors.
    void N6Click();   // copy the active view's selection to the clipboard
    void N7Click();   // select the active view's whole text
    void N10Click();  // save the active view's content to a file
    void N11Click();  // close the detached viewer and show it again, refreshed

    // The owning window's active control as a rich-text view; throws
    // Error("Invalid class typecast") when it is none.
    RichEditView* activeView() const;

    // The format a file of that name gets: "txt" plain text, "rtf" RTF (the
    // extension compared in lower case), any other the view's own.
    static RichEditView::TextFormat formatForFileName(const QString& fileName, RichEditView::TextFormat ownFormat);

private:
    QAction* addItem(const QString& caption, const char* name, int glyph, void (TextActions::*handler)());

    QWidget* owner_;
    QPointer<TForm3> viewer_;
};

}  // namespace kodrix
