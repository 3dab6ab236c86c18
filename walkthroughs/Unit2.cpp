#include "Unit2.h"

#include "walkthroughs/ScreenshotImage.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace kodrix {

namespace {
// How long after the first showing the window manager's frame may still
// arrive (X11 tells the frame's size only after the window is mapped).
constexpr int kFrameSettleMs = 2000;
}  // namespace

TForm2::TForm2(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Просмотр скриншотов"));
    resize(kOuterSize);  // the client size until the frame is known
    Image1 = new ScreenshotImage(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Image1);
}

void TForm2::showScreenshot(std::span<const std::uint8_t> jpegBytes, const QColor& colour) {
    Image1->loadPicture(jpegBytes);
    setViewerColor(colour);
    showOrRaise();
}

void TForm2::setViewerColor(const QColor& colour) {
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
}

QColor TForm2::viewerColor() const { return palette().color(QPalette::Window); }

void TForm2::showOrRaise() {
    if (isVisible()) {
        if (isMinimized()) showNormal();
    } else {
        if (!shownBefore_) {
            shownBefore_ = true;
            placeOnDesktop();
            settlingFrame_ = true;
            QTimer::singleShot(kFrameSettleMs, this, [this] { settlingFrame_ = false; });
        }
        show();
    }
    raise();
    activateWindow();
}

// The client size is the outer size less the frame as far as it is known
// (nothing before the first mapping on X11), and the frame is centred on the
// primary screen.
void TForm2::placeOnDesktop() {
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    resize(kOuterSize.width() - frame.left() - frame.right(), kOuterSize.height() - frame.top() - frame.bottom());
    const QScreen* desktop = QGuiApplication::primaryScreen();
    if (!desktop) return;
    const QRect d = desktop->geometry();
    move(d.x() + (d.width() - kOuterSize.width()) / 2, d.y() + (d.height() - kOuterSize.height()) / 2);
}

bool TForm2::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    // Once the window manager has framed the window, its frame is taken off
    // the client size, so the outer size is what it should be.
    if (settlingFrame_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize) && windowHandle() &&
        !windowHandle()->frameMargins().isNull() && frameGeometry().size() != kOuterSize) {
        settlingFrame_ = false;
        placeOnDesktop();
    }
    return handled;
}

}  // namespace kodrix
