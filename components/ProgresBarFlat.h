#pragma once
// TNProgressBar: a progress bar whose one-pixel frame can be switched off.
// With ShowFrame false the frame is painted over in the background colour
// and the bar looks flat (the search page's bar). The bar itself is drawn
// here, continuous when smooth, in blocks otherwise, without text.
#include <QProgressBar>

namespace kodrix {

class TNProgressBar : public QProgressBar {
    Q_OBJECT
    Q_PROPERTY(bool ShowFrame READ showFrame WRITE setShowFrame)
public:
    explicit TNProgressBar(QWidget* parent = nullptr);

    int min() const { return minimum(); }
    int max() const { return maximum(); }
    int position() const { return value(); }
    void setMin(int value);
    void setMax(int value);
    // Clamped to [Min, Max].
    void setPosition(int value);

    bool smooth() const { return smooth_; }
    void setSmooth(bool smooth);

    // True after construction. A different value repaints the frame; an
    // equal value does nothing.
    bool showFrame() const { return showFrame_; }
    void setShowFrame(bool show);

protected:
    void paintEvent(QPaintEvent* event) override;
    // The frame painting step: the ordinary sunken frame, or with ShowFrame
    // false the frame's pixels filled with the background colour.
    void WMNCPAINT(QPainter& p);

private:
    void paintBar(QPainter& p, const QRect& inside);
    // The bar's filled width in pixels, inside the one-pixel border.
    int filledWidth() const;

    bool smooth_ = false;
    bool showFrame_ = true;
};

}  // namespace kodrix
