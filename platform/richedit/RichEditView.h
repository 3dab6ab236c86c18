#pragma once
// The rich-text view of the program's text panes (the code text, the
// walkthrough documents, the detached viewer, the search page's text), over
// QTextDocument: read-only, vertical scroll bar always shown, documents read
// by the reading rule (RTF, else plain 16-bit Unicode text), saved as RTF or
// plain text, automatic link detection with link-click reports, and a popup
// menu that opens when the right button is released.
#include <QByteArray>
#include <QByteArrayView>
#include <QPointer>
#include <QStringList>
#include <QTextEdit>

#include <optional>
#include <string>
#include <vector>

class QMenu;

namespace kodrix {

class LinkHighlighter;

class RichEditView : public QTextEdit {
    Q_OBJECT
public:
    // The format "save" writes when the file name does not choose one.
    enum class TextFormat { Rtf, PlainText };

    // A link that automatic URL detection found: its character range in the
    // document and its text.
    struct Link {
        int start = 0;
        int end = 0;  // one past the last character
        QString text;
    };

    explicit RichEditView(QWidget* parent = nullptr);

    // Replaces the whole content with plain lines, one paragraph each.
    void setLines(const QStringList& lines);
    // The same from code page 1251 lines, converted straight into the one
    // text the view takes (the code text: thousands of lines at a time).
    void setCp1251Lines(const std::vector<std::string>& lines);
    // The text as lines (one per paragraph).
    QStringList lines() const;
    int lineCount() const { return lineCount_; }
    // Empties the view.
    void clearLines();

    // Replaces the content with a document read by the reading rule: RTF;
    // after an RTF reader error, the same bytes as plain 16-bit Unicode text.
    // Afterwards the caret is before the first character and the view shows
    // the beginning. When both readers fail, the view is left empty and
    // kodrix::Error(messages::failedToLoadStream()) is thrown.
    void loadFromStream(QByteArrayView bytes);

    // The whole content as RTF, as plain text (both code page 1251; plain text
    // ends its lines with CR LF), or in the given format.
    QByteArray saveRtf() const;
    QByteArray savePlainText() const;
    QByteArray saveAs(TextFormat format) const;

    // The view's own format (RTF unless set otherwise).
    TextFormat ownFormat() const { return ownFormat_; }
    void setOwnFormat(TextFormat format) { ownFormat_ = format; }

    // Automatic link detection (off unless set): links are shown in the link
    // colour, underlined, with a pointing hand over them, and reported by
    // URLClick. They follow every change of the content.
    bool autoUrlDetect() const { return autoUrlDetect_; }
    void setAutoUrlDetect(bool on);

    // The menu that opens when the right button is released over the view, or
    // on the keyboard's context-menu request. The owner keeps the menu.
    void setPopupMenu(QMenu* menu);
    QMenu* popupMenu() const;

    // The link under a point of the viewport, if any.
    std::optional<Link> linkAt(const QPoint& viewportPos) const;

signals:
    // A press of the left or right button over a link, then the release of
    // that same button over the same link (the same character range). The
    // middle button never reports.
    void URLClick(const QString& linkText, Qt::MouseButton button);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showFromStart();
    // Qt lays out a document that has no page height as one page
    // 8,388,607 pixels tall, and once a line reaches its foot it pushes the
    // line to a next page that never comes, for ever. The view's document
    // always has pages, kPageHeight tall: far taller than any screen, and
    // all they change is that a line which would straddle a page's foot
    // starts the next page, a few pixels lower.
    static constexpr double kPageHeight = 1'000'000;
    void keepPaged();

    int lineCount_ = 0;  // an empty document and one empty line look alike
    TextFormat ownFormat_ = TextFormat::Rtf;
    bool autoUrlDetect_ = false;
    LinkHighlighter* highlighter_ = nullptr;
    QTextDocument* spare_ = nullptr;  // shown while the document is being refilled
    QPointer<QMenu> popupMenu_;

    struct PressedLink {
        int start = 0;
        int end = 0;
        Qt::MouseButton button = Qt::NoButton;
    };
    std::optional<PressedLink> pressed_;
};

}  // namespace kodrix
