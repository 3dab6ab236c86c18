#include "Dialogs.h"

#include "catalogue/Messages.h"
#include "platform/Text.h"

#include <QColorDialog>
#include <QFontDialog>
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
// The scripted answer of a kind: the front of its queue, or cancel.
template <class T>
std::optional<T> nextAnswer(std::deque<std::optional<T>>& answers) {
    if (answers.empty()) return std::nullopt;
    std::optional<T> answer = answers.front();
    answers.pop_front();
    return answer;
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

std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) {
    if (g_script) {
        g_script->colorRequests.push_back(initial);
        return nextAnswer(g_script->colorAnswers);
    }
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
}

std::optional<QFont> chooseFont(QWidget* parent, const QFont& initial) {
    if (g_script) {
        g_script->fontRequests.push_back(initial);
        return nextAnswer(g_script->fontAnswers);
    }
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, parent);
    if (!ok) return std::nullopt;
    return chosen;
}

FontDialog::FontDialog() : Font(QStringLiteral("MS Sans Serif"), 8) {}

bool FontDialog::Execute(QWidget* parent) {
    const auto chosen = chooseFont(parent, Font);
    if (!chosen) return false;
    Font = *chosen;
    return true;
}

DialogScript::DialogScript() {
    if (g_script) std::abort();  // nested scripts would hide each other's requests
    g_script = this;
}

DialogScript::~DialogScript() { g_script = nullptr; }

}  // namespace kodrix::dialogs
