#include "components/Gauge.h"

#include "catalogue/Error.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <climits>
#include <cmath>
#include <numbers>
#include <string>

namespace kodrix {

namespace {

// The pie's outline and filled share, and its empty share.
const QColor kForeColor = Qt::black;
const QColor kBackColor = Qt::white;

[[noreturn]] void valueOutOfRange(long long low, long long high) {
    throw Error("Value must be between " + std::to_string(low) + " and " + std::to_string(high));
}

// Parametric angle, in degrees counter-clockwise from 3 o'clock, at which the
// line from the centre of the ellipse inscribed in [left, right) x [top, bottom)
// through (x, y) meets that ellipse. QPainter's arcs take this angle.
double radialAngle(double left, double top, double right, double bottom, double x, double y) {
    const double a = (right - left) / 2, b = (bottom - top) / 2;
    const double cx = (left + right) / 2, cy = (top + bottom) / 2;
    return std::atan2(-(y - cy) / b, (x - cx) / a) * 180 / std::numbers::pi;
}

}  // namespace

TGauge::TGauge(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::PointingHandCursor);
    // Every pixel is painted from the off-screen picture.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TGauge::setMinValue(int value) {
    if (value == min_) return;
    if (value > max_) valueOutOfRange(INT_MIN, max_);
    min_ = value;
    if (progress_ < value) progress_ = value;
    update();
}

void TGauge::setMaxValue(int value) {
    if (value == max_) return;
    if (value < min_) valueOutOfRange(min_, INT_MAX);
    max_ = value;
    if (progress_ > value) progress_ = value;
    update();
}

void TGauge::setProgress(int value) {
    const int before = percentDone();
    if (value < min_) value = min_;
    else if (value > max_) value = max_;
    if (value == progress_) return;
    progress_ = value;
    if (percentDone() != before) update();
}

void TGauge::setShowText(bool show) {
    if (show == showText_) return;
    showText_ = show;
    update();
}

int TGauge::percentDone() const {
    // 64-bit: both the difference and the product exceed 32 bits for
    // values near the ends of the integer range.
    const long long range = (long long)max_ - min_;
    if (range == 0) return 0;
    return int(((long long)progress_ - min_) * 100 / range);
}

QImage TGauge::render() const {
    const int w = width(), h = height();
    QImage image(qMax(w, 1), qMax(h, 1), QImage::Format_RGB32);
    image.fill(Qt::black);  // the outermost pixel stays black: the frame
    if (w < 3 || h < 3) return image;
    paintPie(image);
    if (showText_) paintText(image);
    return image;
}

void TGauge::paintPie(QImage& image) const {
    const int w = image.width(), h = image.height();
    // The drawing area lies inside the frame: pixels 1 .. w-2, 1 .. h-2.
    // In edge coordinates it is [1, w-1) x [1, h-1); the ellipse fills it.
    const int left = 1, top = 1, right = w - 1, bottom = h - 1;
    const QRectF ellipse(left, top, right - left - 1, bottom - top - 1);  // stroked: 1 pixel wider

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(left, top, right - left, bottom - top), palette().color(backgroundRole()));
    p.setPen(QPen(kForeColor, 1));
    p.setBrush(kBackColor);
    p.drawEllipse(ellipse);

    const int percent = percentDone();
    if (percent <= 0) return;
    // The wedge runs counter-clockwise from the radial through the point
    // for the percentage to the radial through (right / 2, 0), i.e. it
    // grows clockwise from 12 o'clock: 25% reaches 3 o'clock, 100% is whole.
    const int mx = right / 2, my = bottom / 2;
    const double theta = std::numbers::pi * (percent / 50.0 + 0.5);
    const double x3 = std::lround(mx * (1 - std::cos(theta)));
    const double y3 = std::lround(my * (1 - std::sin(theta)));
    const double start = radialAngle(left, top, right, bottom, x3, y3);
    const double end = radialAngle(left, top, right, bottom, mx, 0);
    double span = std::fmod(end - start, 360.0);
    if (span <= 1.0 / 32) span += 360;  // equal radials: the whole ellipse
    p.setBrush(kForeColor);
    p.drawPie(ellipse, int(std::lround(start * 16)), int(std::lround(span * 16)));
}

void TGauge::paintText(QImage& image) const {
    const int w = image.width(), h = image.height();
    const QRect area(1, 1, w - 2, h - 2);
    const QString text = QStringLiteral("%1%").arg(percentDone());

    // Crisp glyphs: a grey edge pixel would not invert cleanly.
    QFont f = font();
    f.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics fm(f);
    // Centred in the drawing area (edge width w - 1 from x = 1), clipped to it.
    const int x = (w - 1 - fm.horizontalAdvance(text)) / 2;
    const int y = (h - 1 - fm.height()) / 2;

    QImage overlay(w, h, QImage::Format_RGB32);
    overlay.fill(Qt::black);
    {
        QPainter p(&overlay);
        p.setFont(f);
        p.setPen(Qt::white);
        p.setClipRect(area);
        p.drawText(x, y + fm.ascent(), text);
    }
    // Exclusive-or of the colour bits: white over white turns black, white
    // over black turns white, black (no text) leaves the picture as it is.
    for (int row = 0; row < h; ++row) {
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(row));
        const auto* src = reinterpret_cast<const QRgb*>(overlay.constScanLine(row));
        for (int col = 0; col < w; ++col) dst[col] ^= src[col] & 0x00FFFFFFu;
    }
}

void TGauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, render());
}

QString TGauge::tooltipForDisplay(const QString& hint) {
    QString shown = hint;
    shown.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

bool TGauge::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && !toolTip().isEmpty()) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tooltipForDisplay(toolTip()), this);
        return true;
    }
    return QWidget::event(event);
}

}  // namespace kodrix
