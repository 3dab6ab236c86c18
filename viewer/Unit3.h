#pragma once
// The detached viewer: any text view's content in a window of its own.
// Created hidden at start-up; closing it only hides it.
#include <QWidget>

namespace kodrix {

class RichEditView;

class TForm3 : public QWidget {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
    RichEditView* RxRichEdit2 = nullptr;
};

}  // namespace kodrix
