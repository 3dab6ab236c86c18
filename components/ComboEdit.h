#pragma once
// TComboEdit: a read-only single-line edit with an ellipsis button at its
// right end. The text is set by the program only; the button reports its
// clicks. The button's hint is the owner's to set.
#include <QWidget>

class QLineEdit;
class QToolButton;

namespace kodrix {

class TComboEdit : public QWidget {
    Q_OBJECT
public:
    explicit TComboEdit(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);

    void setButtonHint(const QString& hint);

    QLineEdit* edit() const { return edit_; }
    QToolButton* button() const { return button_; }

signals:
    void buttonClick();

private:
    QLineEdit* edit_;
    QToolButton* button_;
};

}  // namespace kodrix
