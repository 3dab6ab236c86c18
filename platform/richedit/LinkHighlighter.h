#pragma once
// Shows the links that automatic URL detection finds in a document: link
// colour and underline, laid over the text's own formatting (the document's
// formats stay as read, so writing the document does not write the links'
// look). Blocks are looked at again whenever their content changes.
#include <QColor>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

namespace kodrix {

class LinkHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit LinkHighlighter(QObject* parent = nullptr);

    void setLinkColor(const QColor& color);

protected:
    void highlightBlock(const QString& text) override;

private:
    QTextCharFormat linkFormat_;
};

}  // namespace kodrix
