#pragma once
// The application title: the text of the program's task-bar entry and the
// caption of the general error report and of plain message dialogs. Like the
// application object's title it is one value for the whole process.
//
// On Linux desktops the task bar shows the main window's own caption, which
// must stay "Kodrix (32) v4.4 RC1" (a second start identifies the running
// copy by it), so the title is the caption of message boxes and the main
// window's icon text (on X11 WM_ICON_NAME, what a task bar may show for a
// minimised window), not the window caption.
#include <QObject>
#include <QString>

namespace kodrix {

// The executable's file name up to its first dot, every character after the
// first in lower case ("KODRIX.EXE" -> "Kodrix", "kodrix" -> "kodrix").
QString titleFromExecutableName(const QString& fileName);

QString applicationTitle();
void setApplicationTitle(const QString& title);

// Tells of each setApplicationTitle, for the windows that show the title.
class ApplicationTitleChanges : public QObject {
    Q_OBJECT
signals:
    void changed(const QString& title);
};
ApplicationTitleChanges& applicationTitleChanges();

}  // namespace kodrix
