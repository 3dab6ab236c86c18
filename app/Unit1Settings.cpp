// The main window's settings: font, colours, the remembered platforms and
// page, kept in the per-user store under "Software\Vorlenta\Kodrix".
#include "app/SettingPage.h"
#include "app/Unit1.h"
#include "browser/CodePage.h"
#include "components/ColorBox.h"
#include "components/ComboEdit.h"
#include "catalogue/IntegerText.h"
#include "platform/Text.h"
#include "platform/registry/SettingsStore.h"
#include "search/FindPage.h"
#include "ui/FontPoints.h"

#include <QApplication>
#include <QTabWidget>

namespace kodrix {
namespace {

const QString kProgramKey = QStringLiteral("\\Software\\Vorlenta\\Kodrix");
const QString kSettingsKey = QStringLiteral("\\Software\\Vorlenta\\Kodrix\\Settings");

QString flag(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }

}  // namespace

void TForm1::applyPalette() {
    // The window's colour reaches every control that follows it (lists,
    // edits, text views, the status bar, the chart's background), and so
    // does the font's colour.
    const QPalette system = QApplication::palette();
    QPalette p = palette();
    const QColor back = Color.toQColor(system);
    const QColor text = FontColor.toQColor(system);
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button}) p.setColor(role, back);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) p.setColor(role, text);
    setPalette(p);
}

void TForm1::setColor(TColor color) {
    if (color == Color) return;
    Color = color;
    applyPalette();
}

void TForm1::setFontColor(TColor color) {
    if (color == FontColor) return;
    FontColor = color;
    applyPalette();
}

void TForm1::LoadSettings() {
    // A missing key reads as empty values: nothing is applied.
    settings_.openKey(QStringLiteral("SOFTWARE\\Vorlenta\\Kodrix\\Settings"), false);
    struct Release {
        registry::SettingsStore& store;
        ~Release() {
            try {
                store.closeKey();
            } catch (...) {  // nothing was written: there is nothing to lose
            }
        }
    } release{settings_};

    QFont f = font();
    const QString fontName = settings_.readString(QStringLiteral("FontName"));
    if (!fontName.isEmpty()) f.setFamily(fontName);
    const QString fontColor = settings_.readString(QStringLiteral("FontColor"));
    if (!fontColor.isEmpty()) setFontColor(TColor::fromText(fontColor));
    const QString fontSize = settings_.readString(QStringLiteral("FontSize"));
    if (!fontSize.isEmpty()) setFontPoints(f, strToInt(toCp1251(fontSize)));
    const QString mainFormColor = settings_.readString(QStringLiteral("MainFormColor"));
    if (!mainFormColor.isEmpty()) setColor(TColor::fromText(mainFormColor));
    // Styles are only added, never removed.
    if (settings_.readString(QStringLiteral("FontBold")) == QLatin1String("1")) f.setBold(true);
    if (settings_.readString(QStringLiteral("FontUnderline")) == QLatin1String("1")) f.setUnderline(true);
    if (settings_.readString(QStringLiteral("FontItalic")) == QLatin1String("1")) f.setItalic(true);
    setFont(f);

    setting->ComboEdit1->setText(font().family());
    code->selectPlatformByName(toCp1251(settings_.readString(QStringLiteral("LastBase"))));
    find->selectPlatformByName(toCp1251(settings_.readString(QStringLiteral("LastBaseFind"))));
    const QString lastPage = settings_.readString(QStringLiteral("LastPage"));
    for (int i = 0; i < PageControl1->count(); ++i)
        if (PageControl1->widget(i)->objectName() == lastPage) PageControl1->setCurrentIndex(i);
}

void TForm1::SaveSettings() {
    const QFont f = font();
    const QString bold = flag(f.bold()), italic = flag(f.italic()), underline = flag(f.underline());
    if (settings_.openKey(kProgramKey, true)) {
        QString base = QString::fromStdString(ProgramDir.string());
        if (!base.endsWith(QLatin1Char('/'))) base += QLatin1Char('/');
        settings_.writeString(QStringLiteral("BasePath"), base);
    }
    if (settings_.openKey(kSettingsKey, true))
        settings_.writeString(QStringLiteral("FontSize"), QString::number(fontPoints(f)));
    settings_.writeString(QStringLiteral("FontName"), f.family());
    settings_.writeString(QStringLiteral("FontColor"), FontColor.toText());
    settings_.writeString(QStringLiteral("MainFormColor"), Color.toText());
    settings_.writeString(QStringLiteral("FontBold"), bold);
    settings_.writeString(QStringLiteral("FontItalic"), italic);
    settings_.writeString(QStringLiteral("FontUnderline"), underline);
    settings_.writeString(QStringLiteral("LastBase"), fromCp1251(code->platform()));
    settings_.writeString(QStringLiteral("LastBaseFind"), fromCp1251(find->platform()));
    settings_.writeString(QStringLiteral("LastPage"), PageControl1->currentWidget() ? PageControl1->currentWidget()->objectName() : QString());
    settings_.closeKey();
}

void TForm1::ComboEdit1ButtonClick() {
    dialogs::FontDialog& dialog = setting->FontDialog1;
    dialog.Font = font();
    if (dialog.Execute(this)) setFont(pixelSized(dialog.Font));
    setting->ComboEdit1->setText(dialog.Font.family());
    LayoutSettingPage();
}

void TForm1::ColorBox1Change(TColor color) {
    // Every control that follows the window repaints with the new colour.
    setColor(color);
}

}  // namespace kodrix
