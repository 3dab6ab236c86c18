#pragma once
// The general error report: an error that escapes an event handler is shown
// in a modal box (text = the error's message, caption = the application
// title, stop icon, OK) and the event is abandoned; the program goes on.
// Every handler runs through guarded(), so no exception crosses the event loop.
#include <QString>
#include <exception>
#include <functional>

class QWidget;

namespace kodrix {

// Appends a full stop when the text is non-empty and its last character's
// code is greater than that of "." (so a text ending in ")" gets none).
QString withFullStop(const QString& message);

// Shows the general error report for a message (cp1251 already converted).
void showGeneralError(QWidget* parent, const QString& message);

// The foreseen failure of a catalogue listing that matched nothing: the
// message box "Не найдено ни одной базы" (caption "Ошибка", question mark).
void reportNoDatabase(QWidget* parent);

// Runs fn; an error it throws is reported and swallowed. Returns false when
// fn threw.
bool guarded(QWidget* parent, const std::function<void()>& fn);

}  // namespace kodrix
