#include "Unit3.h"

#include "platform/richedit/RichEditView.h"

#include <QVBoxLayout>

namespace kodrix {

TForm3::TForm3(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Просмотр"));
    resize(696, 480);
    RxRichEdit2 = new RichEditView(this);
    RxRichEdit2->setObjectName(QStringLiteral("RxRichEdit2"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RxRichEdit2);
}

}  // namespace kodrix
