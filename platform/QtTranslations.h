#pragma once
// Qt's own texts (the standard save, font and colour dialogs, their buttons,
// the edit boxes' context menus) in Russian, like the rest of the interface,
// whatever the user's locale. They come from Qt's translations package
// ("qtbase_ru.qm" in Qt's translations folder).
class QCoreApplication;
class QTranslator;

namespace kodrix {

// Loads Qt's Russian translations and installs them on the application.
// Returns the installed translator (the application owns it), or nullptr
// when Qt's translations are not installed: Qt's texts then stay English.
QTranslator* installQtTranslations(QCoreApplication& app);

}  // namespace kodrix
