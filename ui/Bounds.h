#pragma once
// Single writes of a control's left, top, width or height, as the window's
// layout rules make them: writing the value a control already has does
// nothing (no re-layout, no repaint), and a negative size is applied as 0.
#include <QWidget>
#include <algorithm>

namespace kodrix::bounds {

inline void setLeft(QWidget* w, int left) {
    if (w->x() != left) w->move(left, w->y());
}
inline void setTop(QWidget* w, int top) {
    if (w->y() != top) w->move(w->x(), top);
}
inline void setWidth(QWidget* w, int width) {
    width = std::max(width, 0);
    if (w->width() != width) w->resize(width, w->height());
}
inline void setHeight(QWidget* w, int height) {
    height = std::max(height, 0);
    if (w->height() != height) w->resize(w->width(), height);
}

}  // namespace kodrix::bounds
