#include "Unit2.h"

#include "ui/OuterSize.h"
#include "walkthroughs/ScreenshotImage.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace kodrix {

TForm2::TForm2(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Просмотр скриншотов"));
    resize(kOuterSize);  // the client size until the frame is known
    outerSize_ = new OuterSizeKeeper(this, kOuterSize, [this] { placeOnDesktop(); });
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
            outerSize_->apply();
        }
        show();
    }
    raise();
    activateWindow();
}

// The frame, as far as it is known, centred on the primary screen.
void TForm2::placeOnDesktop() {
    const QScreen* desktop = QGuiApplication::primaryScreen();
    if (!desktop) return;
    const QRect d = desktop->geometry();
    move(d.x() + (d.width() - kOuterSize.width()) / 2, d.y() + (d.height() - kOuterSize.height()) / 2);
}

}  // namespace kodrix
