#include "components/ComboEdit.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

namespace kodrix {

TComboEdit::TComboEdit(QWidget* parent) : QWidget(parent), edit_(new QLineEdit(this)), button_(new QToolButton(this)) {
    edit_->setObjectName(QStringLiteral("edit"));
    edit_->setReadOnly(true);
    button_->setObjectName(QStringLiteral("button"));
    button_->setText(QStringLiteral("..."));
    button_->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(edit_, 1);
    layout->addWidget(button_);
    setFocusProxy(edit_);
    connect(button_, &QToolButton::clicked, this, &TComboEdit::buttonClick);
}

QString TComboEdit::text() const { return edit_->text(); }
void TComboEdit::setText(const QString& text) { edit_->setText(text); }
void TComboEdit::setButtonHint(const QString& hint) { button_->setToolTip(hint); }

}  // namespace kodrix
