#include "Unit3.h"

#include "TextActions.h"
#include "catalogue/Error.h"
#include "catalogue/Messages.h"
#include "platform/Text.h"
#include "platform/richedit/RichEditView.h"
#include "ui/ErrorReport.h"
#include "ui/OuterSize.h"

#include <QShowEvent>
#include <QWindowStateChangeEvent>
#include <QVBoxLayout>

namespace kodrix {
namespace {

// The source's content in its own format, as the viewer's reading rule takes
// it. RTF goes as it is. Plain text is the view's own plain text, handed over
// as 16-bit Unicode text: the reading rule reads no other plain text, and
// the code page's bytes would be read as garbage (or, at an odd length, not
// at all).
QByteArray contentCopy(const RichEditView& source) {
    const QByteArray own = source.saveAs(source.ownFormat());
    if (source.ownFormat() == RichEditView::TextFormat::Rtf) return own;
    const QString text = fromCp1251(std::string_view(own.constData(), static_cast<std::size_t>(own.size())));
    QByteArray utf16;
    utf16.reserve(text.size() * 2);
    for (const QChar c : text) {
        utf16.append(static_cast<char>(c.unicode() & 0xFF));
        utf16.append(static_cast<char>(c.unicode() >> 8));
    }
    return utf16;
}

}  // namespace

TForm3::TForm3(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Просмотр"));
    // The main window ends the program; this one only hides.
    setAttribute(Qt::WA_QuitOnClose, false);

    RxRichEdit2 = new RichEditView(this);
    RxRichEdit2->setObjectName(QStringLiteral("RxRichEdit2"));
    RxRichEdit2->setAutoUrlDetect(true);
    RxRichEdit2->setOwnFormat(RichEditView::TextFormat::Rtf);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RxRichEdit2);

    Actions = new TextActions(this, false);
    RxRichEdit2->setPopupMenu(Actions->PopupMenu3);
    // The viewer's active control is its view.
    RxRichEdit2->setFocus(Qt::OtherFocusReason);

    resize(kRestoredSize);  // the client size until the frame is known
    restoredSize_ = new OuterSizeKeeper(this, kRestoredSize);
    setWindowState(Qt::WindowMaximized);
}

void TForm3::setSources(std::function<QWidget*()> activeControl, std::function<QColor()> colour,
                        std::function<QFont()> font, std::function<QColor()> fontColour) {
    activeControl_ = std::move(activeControl);
    colour_ = std::move(colour);
    font_ = std::move(font);
    fontColour_ = std::move(fontColour);
}

void TForm3::setColours(std::initializer_list<QPalette::ColorRole> roles, const QColor& colour) {
    QPalette p = palette();
    for (QPalette::ColorRole role : roles) p.setColor(role, colour);
    setPalette(p);
}

void TForm3::setViewerColor(const QColor& colour) { setColours({QPalette::Window, QPalette::Base}, colour); }

QColor TForm3::viewerColor() const { return palette().color(QPalette::Window); }

void TForm3::setViewerFontColor(const QColor& colour) { setColours({QPalette::WindowText, QPalette::Text}, colour); }

QColor TForm3::viewerFontColor() const { return palette().color(QPalette::Text); }

void TForm3::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Shown by the program (not given back by the window manager): refill.
    if (!event->spontaneous()) guarded(this, [this] { FormShow(); });
}

void TForm3::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Restored from maximised: the window manager gives back the size asked
    // for before the frame was known; the frame now counts in it.
    if (event->type() == QEvent::WindowStateChange &&
        (static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMaximized) &&
        !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        restoredSize_->apply();
}

void TForm3::FormShow() {
    if (colour_) setViewerColor(colour_());
    if (font_) setFont(font_());
    if (fontColour_) setViewerFontColor(fontColour_());
    const auto* source = dynamic_cast<const RichEditView*>(activeControl_ ? activeControl_() : nullptr);
    if (!source) throw Error(messages::invalidClassTypecast());
    RxRichEdit2->loadFromStream(contentCopy(*source));
}

}  // namespace kodrix
