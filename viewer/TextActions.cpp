#include "TextActions.h"

#include "Unit3.h"
#include "catalogue/Error.h"
#include "catalogue/Messages.h"
#include "platform/WholeFileWriter.h"
#include "ui/ErrorReport.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>

namespace kodrix {
namespace {

enum Glyph { NoGlyph, CopyGlyph, PrintGlyph, SaveGlyph, WindowGlyph };

// The items' small pictures, drawn pixel-exact at 16 x 16.
QIcon glyph(Glyph kind) {
    if (kind == NoGlyph) return {};
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const QColor ink(0x40, 0x40, 0x40);
    // A filled box with a one-pixel outline, covering exactly w x h pixels.
    const auto box = [&](int x, int y, int w, int h, const QColor& fill) {
        p.fillRect(x, y, w, h, ink);
        p.fillRect(x + 1, y + 1, w - 2, h - 2, fill);
    };
    const auto lines = [&](int x, int y, int w, int count) {
        for (int i = 0; i < count; ++i) p.fillRect(x, y + 2 * i, w, 1, QColor(0x80, 0x80, 0x80));
    };
    switch (kind) {
    case CopyGlyph:  // two overlapping pages
        box(1, 1, 9, 11, Qt::white);
        lines(3, 4, 5, 3);
        box(6, 4, 9, 11, Qt::white);
        lines(8, 7, 5, 3);
        break;
    case PrintGlyph:  // a printer with a sheet in it
        box(4, 1, 8, 6, Qt::white);
        box(1, 6, 14, 7, QColor(0xc0, 0xc0, 0xc0));
        p.fillRect(11, 8, 2, 1, QColor(0x20, 0xa0, 0x20));
        box(4, 10, 8, 5, Qt::white);
        break;
    case SaveGlyph:  // a diskette
        box(1, 1, 14, 14, QColor(0x2f, 0x5f, 0xb0));
        box(4, 1, 8, 6, Qt::white);
        p.fillRect(9, 2, 2, 4, QColor(0x2f, 0x5f, 0xb0));
        box(4, 10, 8, 5, QColor(0xc0, 0xc0, 0xc0));
        break;
    case WindowGlyph:  // a window with its title bar
        box(1, 2, 14, 12, Qt::white);
        p.fillRect(2, 3, 12, 3, QColor(0x2f, 0x5f, 0xb0));
        lines(4, 8, 8, 3);
        break;
    case NoGlyph: break;
    }
    return QIcon(pm);
}

}  // namespace

TextActions::TextActions(QWidget* owner, bool withViewItem) : QObject(owner), owner_(owner) {
    PopupMenu3 = new QMenu(owner);
    PopupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
    N6 = addItem(QStringLiteral("Копировать"), "N6", CopyGlyph, &TextActions::N6Click);
    N7 = addItem(QStringLiteral("Выделить все"), "N7", NoGlyph, &TextActions::N7Click);
    N8 = addItem(QStringLiteral("Печать"), "N8", PrintGlyph, nullptr);
    N8->setEnabled(false);  // printing is not offered
    N10 = addItem(QStringLiteral("Сохранить в файл"), "N10", SaveGlyph, &TextActions::N10Click);
    if (withViewItem) N11 = addItem(QStringLiteral("Просмотреть в окне"), "N11", WindowGlyph, &TextActions::N11Click);

    SaveDialog.DefaultExt = QStringLiteral("doc");
    SaveDialog.Filter = QStringLiteral("Text (txt)|*.doc|Any FileS(*.*)|*.*");
    SaveDialog.OverwritePrompt = true;
}

QAction* TextActions::addItem(const QString& caption, const char* name, int glyphKind,
                              void (TextActions::*handler)()) {
    QAction* item = PopupMenu3->addAction(glyph(static_cast<Glyph>(glyphKind)), caption);
    item->setObjectName(QString::fromLatin1(name));
    if (handler) connect(item, &QAction::triggered, this, [this, handler] { guarded(owner_, [&] { (this->*handler)(); }); });
    return item;
}

void TextActions::setViewer(TForm3* viewer) { viewer_ = viewer; }

RichEditView* TextActions::activeView() const {
    auto* view = dynamic_cast<RichEditView*>(owner_->focusWidget());
    if (!view) throw Error(messages::invalidClassTypecast());
    return view;
}

void TextActions::N6Click() {
    RichEditView* view = activeView();
    view->setFocus(Qt::OtherFocusReason);
    view->copy();
}

void TextActions::N7Click() {
    RichEditView* view = activeView();
    view->setFocus(Qt::OtherFocusReason);
    view->selectAll();
}

void TextActions::N10Click() {
    SaveDialog.FileName = QStringLiteral("Code.txt");
    if (!SaveDialog.Execute(owner_)) return;
    const RichEditView* view = activeView();
    const QString fileName = SaveDialog.FileName;
    writeWholeFile(fileName, view->saveAs(formatForFileName(fileName, view->ownFormat())));
}

void TextActions::N11Click() {
    if (!viewer_) return;
    // Showing runs the viewer's FormShow, which refills it; an open viewer is
    // closed first so that it is refilled too, and comes to the front.
    viewer_->close();
    viewer_->show();
    viewer_->raise();
    viewer_->activateWindow();
}

RichEditView::TextFormat TextActions::formatForFileName(const QString& fileName, RichEditView::TextFormat ownFormat) {
    const QString extension = QFileInfo(fileName).suffix().toLower();
    if (extension == QLatin1String("txt")) return RichEditView::TextFormat::PlainText;
    if (extension == QLatin1String("rtf")) return RichEditView::TextFormat::Rtf;
    return ownFormat;
}

}  // namespace kodrix
