#include "app/Desktop.h"

#include "components/ProgramIcon.h"
#include "platform/QtTranslations.h"

#include <QApplication>
#include <QLocale>

namespace kodrix {

void fitDesktop(QApplication& app) {
    // Every top-level window without an icon of its own shows this one.
    QApplication::setWindowIcon(programIcon());
    // The desktop entry's name without ".desktop" (KODRIX_DESKTOP_ID, the
    // build's; also the icon's name in the icon theme): task bars match the
    // windows to the entry by it.
    QGuiApplication::setDesktopFileName(QStringLiteral(KODRIX_DESKTOP_ID));
    installQtTranslations(app);
    // Their dates and numbers too (the save dialog's file list).
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

}  // namespace kodrix
