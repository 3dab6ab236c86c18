#pragma once
// TFlatEdit: a single-line edit drawn flat: no sunken 3D frame, a one-pixel
// line around it instead, in the palette's mid tone. The background and the
// text follow the palette, so the edit takes the window's colour like the
// lists beside it and stays visible on it.
#include <QLineEdit>

namespace kodrix {

class TFlatEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TFlatEdit(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace kodrix
