#include "ErrorReport.h"

#include "ApplicationTitle.h"
#include "catalogue/Error.h"
#include "catalogue/Messages.h"
#include "platform/Text.h"
#include "platform/dialogs/Dialogs.h"

#include <new>

namespace kodrix {

QString withFullStop(const QString& message) {
    if (!message.isEmpty() && message.back().unicode() > u'.') return message + QLatin1Char('.');
    return message;
}

void showGeneralError(QWidget* parent, const QString& message) {
    dialogs::message(parent, withFullStop(message), applicationTitle(), dialogs::Icon::Stop);
}

bool guarded(QWidget* parent, const std::function<void()>& fn) {
    try {
        fn();
        return true;
    } catch (const Error& e) {
        showGeneralError(parent, fromCp1251(e.what()));
    } catch (const std::bad_alloc&) {
        showGeneralError(parent, fromCp1251(messages::outOfMemory()));
    } catch (const std::exception& e) {
        showGeneralError(parent, QString::fromUtf8(e.what()));
    }
    return false;
}

void reportNoDatabase(QWidget* parent) { dialogs::errorMessage(parent, fromCp1251(messages::noDatabase())); }

}  // namespace kodrix
