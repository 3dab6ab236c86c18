#pragma once
// The screenshot viewer window: shows a walkthrough's screenshot beside the
// main window. Created hidden at start-up; closing it only hides it.
#include <QWidget>

class QLabel;

namespace kodrix {

class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
    QLabel* Image1 = nullptr;
};

}  // namespace kodrix
