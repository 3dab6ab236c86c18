#include "components/BarChart.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace kodrix {
namespace {

// Inner spacing of the legend box, between a swatch and its text, and the
// gap from the widget's left edge to the legend.
constexpr int kLegendPadding = 4;
constexpr int kLegendGap = 4;
constexpr int kLegendLeft = 4;
constexpr int kShadow = 2;
// Spacing above the first title line and around a mark's text.
constexpr int kTitleTop = 4;
constexpr int kMarkPadding = 3;

const QColor kTitleColour(0x00, 0x00, 0x80);
const QColor kMarkColour(0xFF, 0xFF, 0xE1);
const QColor kFloorColour(0xDC, 0xDC, 0xDC);
const QColor kWallPen(0x80, 0x80, 0x80);
const QColor kOutline(0x20, 0x20, 0x20);
const QColor kShadowColour(0x60, 0x60, 0x60);

QColor blend(const QColor& a, const QColor& b, double share) {
    auto mix = [share](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * share)); };
    return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
}

QPolygon quad(QPoint a, QPoint b, QPoint c, QPoint d) { return QPolygon({a, b, c, d}); }

}  // namespace

TBarChart::TBarChart(QWidget* parent) : QWidget(parent) {
    // No mouse interaction: no zooming, no scrolling.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TBarChart::setSettings(const Settings& settings) {
    settings_ = settings;
    update();
}

void TBarChart::addBar(const QString& label, double value, const QColor& colour) {
    bars_.push_back(Bar{label, value, colour});
    update();
}

void TBarChart::setTitle(const QStringList& lines) {
    title_ = lines;
    update();
}

void TBarChart::addTitleLine(const QString& line) {
    title_ << line;
    update();
}

QString TBarChart::formatValue(double value) {
    const long long whole = std::llround(value);
    return whole == 0 ? QString() : QString::number(whole);
}

QStringList TBarChart::legendRows() const {
    QStringList rows;
    for (const Bar& b : bars_) rows << formatValue(b.value) + QLatin1Char(' ') + b.label;
    return rows;
}

TBarChart::Scale TBarChart::valueScale() const {
    if (bars_.empty()) return {};
    auto [lo, hi] = std::minmax_element(bars_.begin(), bars_.end(),
                                        [](const Bar& a, const Bar& b) { return a.value < b.value; });
    Scale s{lo->value, hi->value};
    if (settings_.useYOrigin) {
        s.low = std::min(s.low, 0.0);
        s.high = std::max(s.high, 0.0);
    }
    if (s.high == s.low) {  // one value only: it stands in the middle
        s.low -= 1;
        s.high += 1;
    }
    return s;
}

int TBarChart::markHeight() const { return QFontMetrics(font()).height() + 2; }

TBarChart::Layout TBarChart::layout() const {
    Layout L;
    const QFontMetrics fm(font());
    const int W = width(), H = height();
    const int n = static_cast<int>(bars_.size());

    const int titleBottom = title_.isEmpty() ? 0 : kTitleTop + static_cast<int>(title_.size()) * fm.height();

    int plotLeft = 0;
    if (n > 0) {
        const QStringList rows = legendRows();
        int textWidth = 0;
        for (const QString& r : rows) textWidth = std::max(textWidth, fm.horizontalAdvance(r));
        const int swatch = textWidth * settings_.legendColorWidth / 100;
        const int rowHeight = fm.height() + 2;
        const int top = H * settings_.legendTopPos / 100;
        const int room = H - H * settings_.marginBottom / 100 - top - 2 * kLegendPadding;
        L.legendRowsShown = std::clamp(room / rowHeight, 0, n);
        const int width = 2 * kLegendPadding + swatch + kLegendGap + textWidth;
        L.legend = QRect(kLegendLeft, top, width, 2 * kLegendPadding + L.legendRowsShown * rowHeight);
        for (int i = 0; i < L.legendRowsShown; ++i) {
            const int rowTop = top + kLegendPadding + i * rowHeight;
            L.legendSwatches.push_back(QRect(kLegendLeft + kLegendPadding, rowTop + 2, swatch, rowHeight - 4));
        }
        plotLeft = L.legend.x() + L.legend.width() + settings_.legendHorizMargin;
    }
    plotLeft += W * settings_.marginLeft / 100;
    const int plotTop = titleBottom + H * settings_.marginTop / 100;
    const int plotRight = W - W * settings_.marginRight / 100;     // exclusive
    const int plotBottom = H - H * settings_.marginBottom / 100;   // exclusive
    const int plotWidth = std::max(0, plotRight - plotLeft), plotHeight = std::max(0, plotBottom - plotTop);
    const QPoint shift(settings_.horizOffset, settings_.vertOffset);

    L.depth = std::min(plotWidth * settings_.chart3DPercent / 1000, plotHeight);
    L.plot = QRect(plotLeft, plotTop, plotWidth, plotHeight).translated(shift);
    L.front = QRect(plotLeft, plotTop + L.depth, std::max(0, plotWidth - L.depth), plotHeight - L.depth).translated(shift);

    for (const QString& line : title_) {
        const int w = fm.horizontalAdvance(line);
        const int y = kTitleTop + static_cast<int>(L.titleLines.size()) * fm.height();
        L.titleLines.push_back(QRect(L.plot.center().x() - w / 2, y, w, fm.height()));
    }

    if (n == 0) return L;
    const Scale s = valueScale();
    const int frontLeft = L.front.x(), frontWidth = L.front.width();
    const int bottomEdge = L.front.y() + L.front.height();
    const int valueTop = std::min(bottomEdge, L.front.y() + markHeight() + settings_.marksArrowLength);
    const double units = n + (settings_.sideMargins ? 1.0 : 0.0);
    const double offset = settings_.sideMargins ? 0.5 : 0.0;
    auto edge = [&](int i) { return frontLeft + static_cast<int>(std::lround((i + offset) * frontWidth / units)); };
    for (int i = 0; i < n; ++i) {
        const int s0 = edge(i), s1 = edge(i + 1);
        const int barWidth = (s1 - s0) * settings_.barWidthPercent / 100;
        const int x0 = s0 + ((s1 - s0) - barWidth) / 2;
        const double share = std::clamp((bars_[i].value - s.low) / (s.high - s.low), 0.0, 1.0);
        const int top = bottomEdge - static_cast<int>(std::lround(share * (bottomEdge - valueTop)));
        L.barFronts.push_back(QRect(x0, top, barWidth, bottomEdge - top));

        const QString text = formatValue(bars_[i].value);
        if (text.isEmpty()) {
            L.marks.push_back(QRect());
            continue;
        }
        const int w = fm.horizontalAdvance(text) + 2 * kMarkPadding;
        const QPoint anchor(x0 + barWidth / 2 + L.depth / 2, top - L.depth / 2);
        L.marks.push_back(QRect(anchor.x() - w / 2, anchor.y() - settings_.marksArrowLength - markHeight(), w, markHeight()));
    }
    return L;
}

void TBarChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    const Layout L = layout();
    const QFontMetrics fm(font());

    p.setPen(kTitleColour);
    for (int i = 0; i < title_.size(); ++i) p.drawText(L.titleLines[static_cast<std::size_t>(i)], Qt::AlignCenter, title_[i]);

    // Walls: the floor, the left wall, the back wall.
    const int d = L.depth;
    const QRect& f = L.front;
    const QPoint up(d, -d);
    const QPoint fl(f.x(), f.y()), fb(f.x(), f.y() + f.height()), fr(f.x() + f.width(), f.y() + f.height());
    p.setPen(kWallPen);
    p.setBrush(kFloorColour);
    p.drawPolygon(quad(fb, fb + up, fr + up, fr));
    p.setBrush(settings_.leftWallColor);
    p.drawPolygon(quad(fl, fl + up, fb + up, fb));
    p.setBrush(settings_.backWallColor);
    p.drawRect(QRect(fl + up, QSize(f.width(), f.height())));

    // Bars from left to right, so each hides the side of the one before.
    for (std::size_t i = 0; i < L.barFronts.size(); ++i) {
        const QRect& b = L.barFronts[i];
        const QColor c = bars_[i].colour;
        const QPoint tl(b.x(), b.y()), tr(b.x() + b.width(), b.y()), br(b.x() + b.width(), b.y() + b.height());
        p.setPen(kOutline);
        p.setBrush(c.darker(150));
        p.drawPolygon(quad(tr, tr + up, br + up, br));
        p.setBrush(blend(c, Qt::white, 0.35));
        p.drawPolygon(quad(tl, tl + up, tr + up, tr));
        QLinearGradient gradient(0, b.y(), 0, b.y() + b.height());
        gradient.setColorAt(0, blend(c, Qt::white, 0.55));
        gradient.setColorAt(1, c);
        p.setBrush(gradient);
        if (b.height() > 0) p.drawRect(b);
    }

    // Marks over the bars, with their connectors.
    p.save();
    if (settings_.marksClip) p.setClipRect(L.plot);
    for (std::size_t i = 0; i < L.marks.size(); ++i) {
        const QRect& m = L.marks[i];
        if (m.isNull()) continue;
        const QPoint bottom(m.center().x(), m.y() + m.height());
        p.setPen(kOutline);
        p.drawLine(bottom, bottom + QPoint(0, settings_.marksArrowLength));
        p.fillRect(m.translated(kShadow, kShadow), kShadowColour);
        p.setBrush(kMarkColour);
        p.drawRect(m.adjusted(0, 0, -1, -1));
        p.drawText(m, Qt::AlignCenter, formatValue(bars_[i].value));
    }
    p.restore();

    // The legend: a framed white box with a shadow, a row per bar that fits.
    if (!L.legend.isEmpty() && L.legendRowsShown > 0) {
        const QStringList rows = legendRows();
        p.fillRect(L.legend.translated(kShadow, kShadow), kShadowColour);
        p.setPen(kOutline);
        p.setBrush(Qt::white);
        p.drawRect(L.legend.adjusted(0, 0, -1, -1));
        for (int i = 0; i < L.legendRowsShown; ++i) {
            const QRect& sw = L.legendSwatches[static_cast<std::size_t>(i)];
            p.setBrush(bars_[static_cast<std::size_t>(i)].colour);
            if (sw.width() > 0) p.drawRect(sw.adjusted(0, 0, -1, -1));
            const QRect text(sw.x() + sw.width() + kLegendGap, sw.y() - 2, fm.horizontalAdvance(rows[i]) + 1,
                             sw.height() + 4);
            p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, rows[i]);
        }
    }
}

}  // namespace kodrix
