#pragma once
// The program's own icon resources (compiled into the executable under
// ":/icons/"). A resource is named by its file name without the extension,
// and, as icon resource names are, looked up without regard to case:
// "MAINICON" and "mainicon" both find ":/icons/MAINICON.ico".
#include <QIcon>
#include <QString>

namespace kodrix {

// The icon resource of that name; an empty icon when the program holds none.
QIcon programIconResource(const QString& name);

// The program's own 32x32, 16-colour icon (resource "MAINICON"), the same
// picture as the executable's.
QIcon programIcon();

}  // namespace kodrix
