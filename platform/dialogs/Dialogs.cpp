#include "Dialogs.h"

#include "catalogue/Messages.h"
#include "platform/Text.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
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
    std::optional<T> answer;
    if (!answers.empty()) {
        answer = std::move(answers.front());
        answers.pop_front();
    }
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

QStringList qtNameFilters(const QString& filter) {
    QStringList out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        out << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out;
}

QString withDefaultExtension(const QString& fileName, const QString& ext) {
    if (ext.isEmpty() || QFileInfo(fileName).fileName().contains(QLatin1Char('.'))) return fileName;
    return fileName + QLatin1Char('.') + ext;
}

std::optional<QString> chooseSaveFile(QWidget* parent, const SaveRequest& request) {
    if (g_script) {
        g_script->saveRequests.push_back(request);
        const auto answer = nextAnswer(g_script->saveAnswers);
        if (!answer) return std::nullopt;
        return withDefaultExtension(QDir::current().absoluteFilePath(*answer), request.defaultExt);
    }
    // The folder chosen last is where the next dialog opens, for the whole
    // program, as with the system's own dialogs.
    static QString lastFolder;
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    dialog.setNameFilters(qtNameFilters(request.filter));
    dialog.setDefaultSuffix(request.defaultExt);
    if (!lastFolder.isEmpty() && QFileInfo(request.fileName).isRelative()) dialog.setDirectory(lastFolder);
    dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString chosen = dialog.selectedFiles().constFirst();
    lastFolder = QFileInfo(chosen).absolutePath();
    return chosen;
}

bool SaveDialog::Execute(QWidget* parent) {
    const auto chosen = chooseSaveFile(parent, {FileName, DefaultExt, Filter, OverwritePrompt});
    if (!chosen) return false;
    FileName = *chosen;
    return true;
}

DialogScript::DialogScript() {
    if (g_script) std::abort();  // nested scripts would hide each other's requests
    g_script = this;
}

DialogScript::~DialogScript() { g_script = nullptr; }

}  // namespace kodrix::dialogs
