#include "Dialogs.h"

#include "catalogue/Messages.h"
#include "platform/Text.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
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

namespace {

// The colour choice of the font dialog: the 16 standard colours by name,
// first the colour the dialog started at when it is none of them (by its
// name where it has one: "WindowText"), and last "Custom...", which opens the
// colour dialog.
class FontColorBox : public QComboBox {
public:
    FontColorBox(TColor initial, QWidget* parent) : QComboBox(parent) {
        setObjectName(QStringLiteral("fontColor"));
        for (const NamedColor& c : standardColors()) add(c.color, QString::fromLatin1(c.identifier).mid(2));
        if (findData(initial.number()) < 0) {
            const QString name = initial.identifier().mid(2);
            insertItem(0, colorSwatch(initial.toQColor()), name.isEmpty() ? QStringLiteral("Custom") : name,
                       initial.number());
        }
        add(initial, QStringLiteral("Custom..."));
        setCurrentIndex(findData(initial.number()));
        last_ = currentIndex();
        connect(this, &QComboBox::activated, this, [this](int index) {
            if (index == count() - 1) {
                const QColor chosen = QColorDialog::getColor(selected().toQColor(), this);
                if (!chosen.isValid()) {
                    setCurrentIndex(last_);
                    return;
                }
                setItemData(index, TColor::fromQColor(chosen).number());
                setItemIcon(index, colorSwatch(chosen));
            }
            last_ = index;
        });
    }
    TColor selected() const { return TColor(currentData().toInt()); }

private:
    void add(TColor color, const QString& name) { addItem(colorSwatch(color.toQColor()), name, color.number()); }
    int last_ = 0;
};

// The real font dialog with the colour choice inside its "Effects" box, where
// the classic dialog keeps it, and the sample drawn in the colour chosen on
// the background of the window that asks (so it shows as the text will).
std::optional<FontChoice> showFontDialog(QWidget* parent, const FontChoice& initial) {
    QFontDialog dialog(initial.font, parent);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    auto* colour = new FontColorBox(initial.color, &dialog);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("&Color:"), &dialog);
    label->setBuddy(colour);
    row->addWidget(label);
    row->addWidget(colour, 1);
    // The boxes of the dialog: "Effects" holds the check boxes, "Sample" the
    // sample line.
    QGroupBox* effects = nullptr;
    QLineEdit* sample = nullptr;
    for (QGroupBox* box : dialog.findChildren<QGroupBox*>()) {
        if (!effects && box->findChild<QCheckBox*>() && qobject_cast<QBoxLayout*>(box->layout())) effects = box;
        if (!sample) sample = box->findChild<QLineEdit*>();
    }
    if (effects) {
        static_cast<QBoxLayout*>(effects->layout())->addLayout(row);
    } else if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        grid->addLayout(row, grid->rowCount(), 0, 1, -1);
    }
    const auto showColour = [&] {
        if (!sample) return;
        QPalette p = sample->palette();
        if (parent) p.setColor(QPalette::Base, parent->palette().color(QPalette::Base));
        p.setColor(QPalette::Text, colour->selected().toQColor());
        sample->setPalette(p);
    };
    showColour();
    QObject::connect(colour, &QComboBox::currentIndexChanged, &dialog, showColour);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return FontChoice{dialog.selectedFont(), colour->selected()};
}

}  // namespace

std::optional<FontChoice> chooseFont(QWidget* parent, const FontChoice& initial) {
    if (g_script) {
        g_script->fontRequests.push_back(initial);
        return nextAnswer(g_script->fontAnswers);
    }
    return showFontDialog(parent, initial);
}

FontDialog::FontDialog() : Font(QStringLiteral("MS Sans Serif"), 8) {}

bool FontDialog::Execute(QWidget* parent) {
    const auto chosen = chooseFont(parent, {Font, Color});
    if (!chosen) return false;
    Font = chosen->font;
    Color = chosen->color;
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
