#include "LinkHighlighter.h"

#include "LinkDetection.h"

namespace kodrix {

LinkHighlighter::LinkHighlighter(QObject* parent) : QSyntaxHighlighter(parent) {
    linkFormat_.setFontUnderline(true);
    linkFormat_.setForeground(QColor(Qt::blue));
}

void LinkHighlighter::setLinkColor(const QColor& color) {
    if (linkFormat_.foreground().color() == color) return;
    linkFormat_.setForeground(color);
    rehighlight();
}

void LinkHighlighter::highlightBlock(const QString& text) {
    const std::u16string_view view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
    for (const rtf::LinkSpan& link : rtf::findLinks(view))
        setFormat(static_cast<int>(link.start), static_cast<int>(link.length), linkFormat_);
}

}  // namespace kodrix
