#include "RichEditView.h"

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
}

void RichEditView::setLines(const QStringList& lines) {
    // One setPlainText is far cheaper than one append per line.
    setPlainText(lines.join(QChar::ParagraphSeparator));
    lineCount_ = static_cast<int>(lines.size());
}

void RichEditView::clearLines() {
    clear();
    lineCount_ = 0;
}

void RichEditView::addLine(const QString& line) {
    if (lineCount_ == 0) {
        setPlainText(line);
    } else {
        QTextCursor c(document());
        c.movePosition(QTextCursor::End);
        c.insertBlock();
        c.insertText(line);
    }
    ++lineCount_;
}

QStringList RichEditView::lines() const {
    QStringList out;
    if (lineCount_ == 0) return out;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) out << b.text();
    return out;
}

}  // namespace kodrix
