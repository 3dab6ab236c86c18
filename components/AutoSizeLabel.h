#pragma once
// TAutoSizeLabel: a text label that sizes itself to its text, as the classic
// label does. Whenever its text or its font changes it becomes as tall as
// its text and at least as wide: a layout rule may widen it, never cut it.
// The bounds it is given at creation stand until the first change.
#include <QLabel>

namespace kodrix {

class TAutoSizeLabel : public QLabel {
    Q_OBJECT
public:
    explicit TAutoSizeLabel(const QString& text, QWidget* parent = nullptr);

    void setText(const QString& text);

protected:
    void changeEvent(QEvent* event) override;

private:
    void fitToText();
};

}  // namespace kodrix
