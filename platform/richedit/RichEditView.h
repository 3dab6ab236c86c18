#pragma once
// The rich-text view of the program's text panes (the code text, the
// walkthrough documents, the detached viewer), over QTextDocument.
#include <QStringList>
#include <QTextEdit>

namespace kodrix {

class RichEditView : public QTextEdit {
    Q_OBJECT
public:
    explicit RichEditView(QWidget* parent = nullptr);

    // Replaces the whole content with plain lines, one paragraph each.
    void setLines(const QStringList& lines);
    // Appends one line as a paragraph of its own.
    void addLine(const QString& line);
    // The text as lines (one per paragraph).
    QStringList lines() const;
    int lineCount() const { return lineCount_; }
    // Empties the view.
    void clearLines();

private:
    int lineCount_ = 0;  // an empty document and one empty line look alike
};

}  // namespace kodrix
