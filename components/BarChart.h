#pragma once
// TBarChart: a bar chart of one series, as the chart page shows it.
//
// What it always does: no axes, tick marks or axis labels; bars and walls
// drawn with depth in an orthogonal view (no rotation, no perspective); each
// bar in its own colour, a rectangle filled with a gradient of that colour;
// a mark over each bar showing its value, joined to the bar by a short
// connector; a one-column legend on the left listing the bars ("value
// label" beside a swatch of the bar's colour, as many rows as fit); the
// title lines centred above the plot; no zooming or scrolling with the
// mouse. Values are written as whole numbers without digit grouping, and 0
// as an empty text. The background is the palette's Window colour, so the
// chart follows the colour of the window it sits in.
//
// The settings below are the owner's choices; the defaults are the widget's.
#include <QColor>
#include <QPolygon>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

namespace kodrix {

class TBarChart : public QWidget {
    Q_OBJECT
public:
    struct Bar {
        QString label;
        double value = 0;
        QColor colour;
    };

    struct Settings {
        int chart3DPercent = 15;        // depth: thousandths of the plot's width
        int horizOffset = 0;            // the plot drawing moved right, pixels
        int vertOffset = 0;             // the plot drawing moved down, pixels
        int marginLeft = 3;             // percent of the width
        int marginTop = 4;              // percent of the height
        int marginRight = 3;            // percent of the width
        int marginBottom = 4;           // percent of the height
        QColor backWallColor = QColor(0xF0, 0xF0, 0xF0);
        QColor leftWallColor = QColor(0xF0, 0xF0, 0xF0);
        int legendTopPos = 10;          // legend top: percent of the height below the top edge
        int legendColorWidth = 25;      // swatch width: percent of the legend text's width
        int legendHorizMargin = 4;      // pixels between the legend and the plot
        int marksArrowLength = 8;       // connector between bar and mark, pixels
        bool marksClip = false;         // marks cut at the edges of the plot
        int barWidthPercent = 70;       // share of its slot a bar fills
        bool sideMargins = true;        // half a slot before the first and after the last bar
        bool useYOrigin = true;         // the value scale includes 0
    };

    explicit TBarChart(QWidget* parent = nullptr);

    const Settings& settings() const { return settings_; }
    void setSettings(const Settings& settings);

    // Appends a bar after the existing ones and repaints.
    void addBar(const QString& label, double value, const QColor& colour);
    const std::vector<Bar>& bars() const { return bars_; }

    QStringList title() const { return title_; }
    void setTitle(const QStringList& lines);
    void addTitleLine(const QString& line);

    // A value as the marks and the legend write it: rounded to a whole
    // number, no digit grouping, 0 as an empty text.
    static QString formatValue(double value);
    // The legend's texts, one per bar in bar order: value, one blank, label.
    QStringList legendRows() const;

    // Where everything lands at the widget's current size.
    struct Layout {
        QRect legend;               // the legend's box (empty without bars)
        int legendRowsShown = 0;
        std::vector<QRect> legendSwatches;
        QRect plot;                 // the plot, depth included, offsets applied
        QRect front;                // the plot's front plane
        int depth = 0;
        std::vector<QRect> barFronts;
        std::vector<QRect> marks;   // empty for an empty mark text
        std::vector<QRect> titleLines;
    };
    Layout layout() const;

    QSize sizeHint() const override { return {400, 300}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Scale {
        double low = 0, high = 1;
    };
    Scale valueScale() const;
    int markHeight() const;

    std::vector<Bar> bars_;
    QStringList title_;
    Settings settings_;
};

}  // namespace kodrix
