#include "Dialogs.h"

#include "catalogue/Messages.h"
#include "platform/Text.h"

#include <QMessageBox>
#include <cstdlib>

namespace kodrix::dialogs {
namespace {
DialogScript* g_script = nullptr;

QMessageBox::Icon toQt(Icon icon) {
    switch (icon) {
    case Icon::Question: return QMessageBox::Question;
    case Icon::Stop: return QMessageBox::Critical;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}
}  // namespace

void message(QWidget* parent, const QString& text, const QString& caption, Icon icon) {
    if (g_script) {
        g_script->messages.push_back({text, caption, icon});
        return;
    }
    QMessageBox box(toQt(icon), caption, text, QMessageBox::Ok, parent);
    box.exec();
}

void errorMessage(QWidget* parent, const QString& text) {
    message(parent, text, fromCp1251(messages::errorCaption()), Icon::Question);
}

DialogScript::DialogScript() {
    if (g_script) std::abort();  // nested scripts would hide each other's requests
    g_script = this;
}

DialogScript::~DialogScript() { g_script = nullptr; }

}  // namespace kodrix::dialogs
