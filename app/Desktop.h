#pragma once
// What a desktop expects of the program beyond its windows, set up once at
// start: the program's icon (the tray's picture) on every window, message
// boxes and the viewers included; the desktop entry the windows belong to;
// Qt's own texts (standard dialogs, buttons, context menus) and formats in
// Russian.
class QApplication;

namespace kodrix {

void fitDesktop(QApplication& app);

}  // namespace kodrix
