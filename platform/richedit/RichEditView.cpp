#include "RichEditView.h"

#include "LinkDetection.h"
#include "LinkHighlighter.h"
#include "TextDocumentConversion.h"
#include "catalogue/Error.h"
#include "platform/Text.h"

#include <QAbstractTextDocumentLayout>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace kodrix {

RichEditView::RichEditView(QWidget* parent) : QTextEdit(parent) {
    setReadOnly(true);
    setAcceptRichText(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    viewport()->setMouseTracking(true);
    // The view keeps its document for life (loading swaps it out for a moment).
    document()->setParent(this);
    spare_ = new QTextDocument(this);
    highlighter_ = new LinkHighlighter(this);
    highlighter_->setLinkColor(palette().color(QPalette::Link));
    keepPaged();
}

void RichEditView::keepPaged() {
    QTextDocument* doc = document();
    if (doc->pageSize().height() != kPageHeight) doc->setPageSize(QSizeF(doc->pageSize().width(), kPageHeight));
}

void RichEditView::resizeEvent(QResizeEvent* event) {
    // QTextEdit gives the document its new width unpaged and lays it out
    // down to the place shown before the view can page it again: it does so
    // at the top, and the place shown is put back once the document is paged.
    QScrollBar* bar = verticalScrollBar();
    const int shown = bar->value();
    bar->setValue(0);
    QTextEdit::resizeEvent(event);
    keepPaged();
    bar->setValue(shown);
}

void RichEditView::setLines(const QStringList& lines) {
    // One setPlainText is far cheaper than one append per line.
    setPlainText(lines.join(QChar::ParagraphSeparator));
    lineCount_ = static_cast<int>(lines.size());
}

void RichEditView::setCp1251Lines(const std::vector<std::string>& lines) {
    if (lines.empty()) {
        clearLines();
        return;
    }
    std::size_t total = lines.size() - 1;  // the separators
    for (const std::string& line : lines) total += line.size();
    QString text(static_cast<qsizetype>(total), Qt::Uninitialized);
    QChar* d = text.data();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) *d++ = QChar::ParagraphSeparator;
        d = fromCp1251Into(lines[i], d);
    }
    setPlainText(text);
    lineCount_ = static_cast<int>(lines.size());
}

void RichEditView::clearLines() {
    clear();
    lineCount_ = 0;
}

QStringList RichEditView::lines() const {
    QStringList out;
    if (lineCount_ == 0) return out;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) out << b.text();
    return out;
}

void RichEditView::loadFromStream(QByteArrayView bytes) {
    pressed_.reset();
    QTextDocument* doc = document();
    {
        // The view lets go of its document while the document is refilled: the
        // view's caret would otherwise follow the inserted text to the end, and
        // putting it back to the start would lay out the whole document at once.
        setDocument(spare_);
        struct Reattach {
            RichEditView* view;
            QTextDocument* doc;
            ~Reattach() {
                doc->documentLayout()->setPaintDevice(view->viewport());
                view->setDocument(doc);
                view->keepPaged();
            }
        } reattach{this, doc};
        try {
            loadDocument(*doc, bytes);
        } catch (const Error&) {
            doc->clear();
            lineCount_ = 0;
            throw;
        }
    }
    lineCount_ = doc->isEmpty() ? 0 : doc->blockCount();
    showFromStart();
}

void RichEditView::showFromStart() {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::Start);
    setTextCursor(cursor);
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

QByteArray RichEditView::saveRtf() const { return rtfOfDocument(*document()); }

QByteArray RichEditView::savePlainText() const { return plainTextOfDocument(*document()); }

QByteArray RichEditView::saveAs(TextFormat format) const {
    return format == TextFormat::Rtf ? saveRtf() : savePlainText();
}

void RichEditView::setAutoUrlDetect(bool on) {
    if (on == autoUrlDetect_) return;
    autoUrlDetect_ = on;
    pressed_.reset();
    if (on) {
        highlighter_->setDocument(document());
        highlighter_->rehighlight();  // at once, not when the event loop next runs
    } else {
        highlighter_->setDocument(nullptr);  // takes the links' look away
        viewport()->setCursor(Qt::IBeamCursor);
    }
}

void RichEditView::setPopupMenu(QMenu* menu) { popupMenu_ = menu; }

QMenu* RichEditView::popupMenu() const { return popupMenu_; }

std::optional<RichEditView::Link> RichEditView::linkAt(const QPoint& viewportPos) const {
    if (!autoUrlDetect_) return std::nullopt;
    const QPointF documentPos =
        QPointF(viewportPos) + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int position = document()->documentLayout()->hitTest(documentPos, Qt::ExactHit);
    if (position < 0) return std::nullopt;
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid()) return std::nullopt;
    const QString text = block.text();
    const auto inBlock = static_cast<std::size_t>(position - block.position());
    const std::u16string_view view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
    for (const rtf::LinkSpan& span : rtf::findLinks(view)) {
        if (inBlock < span.start) break;
        if (inBlock < span.start + span.length) {
            const int start = block.position() + static_cast<int>(span.start);
            return Link{start, start + static_cast<int>(span.length),
                        text.mid(static_cast<qsizetype>(span.start), static_cast<qsizetype>(span.length))};
        }
    }
    return std::nullopt;
}

void RichEditView::mousePressEvent(QMouseEvent* event) {
    const Qt::MouseButton button = event->button();
    if (button == Qt::LeftButton || button == Qt::RightButton) {
        if (const auto link = linkAt(event->position().toPoint())) pressed_ = PressedLink{link->start, link->end, button};
    }
    QTextEdit::mousePressEvent(event);
    if (button == Qt::RightButton || pressed_) event->accept();  // the view acts on it
}

void RichEditView::mouseReleaseEvent(QMouseEvent* event) {
    const Qt::MouseButton button = event->button();
    const auto pressed = std::exchange(pressed_, std::nullopt);  // any release forgets the pressed link
    QTextEdit::mouseReleaseEvent(event);
    if (pressed && pressed->button == button) {
        const auto link = linkAt(event->position().toPoint());
        if (link && link->start == pressed->start && link->end == pressed->end) emit URLClick(link->text, button);
    }
    if (button == Qt::RightButton) {
        event->accept();
        if (popupMenu_) popupMenu_->popup(event->globalPosition().toPoint());
    }
}

void RichEditView::mouseMoveEvent(QMouseEvent* event) {
    QTextEdit::mouseMoveEvent(event);
    const Qt::CursorShape shape = linkAt(event->position().toPoint()) ? Qt::PointingHandCursor : Qt::IBeamCursor;
    if (viewport()->cursor().shape() != shape) viewport()->setCursor(shape);
}

void RichEditView::contextMenuEvent(QContextMenuEvent* event) {
    // The mouse's menu opens on the right button's release (mouseReleaseEvent);
    // the context-menu event that some platforms send on the press is eaten.
    event->accept();
    if (event->reason() != QContextMenuEvent::Mouse && popupMenu_) popupMenu_->popup(event->globalPos());
}

}  // namespace kodrix
