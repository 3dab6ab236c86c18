#pragma once
// TGauge: the pie gauge of the status bar. It shows the share
// (Progress - MinValue) / (MaxValue - MinValue) as a black wedge growing
// clockwise from 12 o'clock inside a white ellipse, with the percentage
// written over it by exclusive-or (black on white, white on black).
//
// The picture is drawn off-screen at the gauge's size and copied to the
// screen in one step. The area around the ellipse takes the gauge's own
// background colour, which follows its parent (the status bar).
#include <QColor>
#include <QImage>
#include <QWidget>

namespace kodrix {

class TGauge : public QWidget {
    Q_OBJECT
public:
    explicit TGauge(QWidget* parent = nullptr);

    int minValue() const { return min_; }
    int maxValue() const { return max_; }
    int progress() const { return progress_; }

    // A minimum above MaxValue throws
    // "Value must be between -2147483648 and <MaxValue>"; an accepted value
    // raises Progress to it when below and repaints.
    void setMinValue(int value);
    // A maximum below MinValue throws
    // "Value must be between <MinValue> and 2147483647" (the range of
    // maxima that are accepted); an accepted value lowers Progress to it
    // when above and repaints.
    void setMaxValue(int value);
    // Clamps to [MinValue, MaxValue]; repaints only when percentDone()
    // changes.
    void setProgress(int value);
    void setShowText(bool show);

    // (Progress - MinValue) * 100 / (MaxValue - MinValue), truncated toward
    // zero; 0 when MaxValue = MinValue.
    int percentDone() const;

    // The off-screen picture exactly as the gauge shows it.
    QImage render() const;

    // The tooltip as shown: its line breaks may be LF CR (the code-count
    // hint's), and a CR after the LF is no character of its own on screen.
    static QString tooltipForDisplay(const QString& hint);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    void paintPie(QImage& image) const;
    void paintText(QImage& image) const;

    int min_ = 0;
    int max_ = 100;
    int progress_ = 0;
    bool showText_ = true;
};

}  // namespace kodrix
