#pragma once
// The detached viewer (`Form3`, "Просмотр"): a copy of the main window's
// active text view in a large window of its own, with a smaller popup menu
// (copy, select all, print, save). Created hidden at start-up and kept until
// the program ends; closing it only hides it, and it keeps its content.
// It opens maximised and has no minimise button; restored, its outer size,
// frame included, is 696 x 480. Closing it never ends the program.
//
// Every time it is shown, FormShow refills it from the main window: its
// colour, its font, then its content. The main window gives it those three
// through setSources. Its view reports link clicks (RxRichEdit2's URLClick),
// which the main window handles as the walkthrough view's.
#include <QColor>
#include <QFont>
#include <QWidget>

#include <functional>
#include <initializer_list>

namespace kodrix {

class OuterSizeKeeper;
class RichEditView;
class TextActions;

class TForm3 : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize kRestoredSize{696, 480};

    explicit TForm3(QWidget* parent = nullptr);

    // Fills the window: read-only, scroll bar always shown, link detection
    // on, its own format RTF, the popup menu of Actions.
    RichEditView* RxRichEdit2 = nullptr;
    // PopupMenu3 (N6, N7, N8, N10) and the viewer's own SaveDialog, acting on
    // the viewer's view.
    TextActions* Actions = nullptr;

    // What FormShow copies: the main window's active control (the text view
    // to show, or whatever else has the focus there), the colour selected in
    // the settings' colour box and the font held by its font dialog, with
    // that font's colour. Unset sources leave colour, font or content as
    // they are.
    void setSources(std::function<QWidget*()> activeControl, std::function<QColor()> colour,
                    std::function<QFont()> font, std::function<QColor()> fontColour = {});

    // The show event: colour, font and the font's colour from the sources, then the active
    // control's content, written in its own format and read back by the
    // reading rule. Throws Error("Invalid class typecast") when the active
    // control is no rich-text view (colour and font are already set, the
    // content stays) and Error("Failed to Load Stream") when the copy cannot
    // be read (the view is left empty).
    void FormShow();

    // The window's colour, which the view takes over.
    void setViewerColor(const QColor& colour);
    QColor viewerColor() const;
    // The colour of the text, which the view takes over too.
    void setViewerFontColor(const QColor& colour);
    QColor viewerFontColor() const;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setColours(std::initializer_list<QPalette::ColorRole> roles, const QColor& colour);

    std::function<QWidget*()> activeControl_;
    std::function<QColor()> colour_;
    std::function<QFont()> font_;
    std::function<QColor()> fontColour_;
    OuterSizeKeeper* restoredSize_ = nullptr;
};

}  // namespace kodrix
