#include "ApplicationTitle.h"

namespace kodrix {
namespace {
QString& storedTitle() {
    static QString title;
    return title;
}
}  // namespace

QString titleFromExecutableName(const QString& fileName) {
    QString base = fileName.section(QLatin1Char('/'), -1);
    int dot = base.indexOf(QLatin1Char('.'));
    if (dot >= 0) base.truncate(dot);
    if (base.size() > 1) base = base.left(1) + base.mid(1).toLower();
    return base;
}

QString applicationTitle() { return storedTitle(); }

void setApplicationTitle(const QString& title) {
    storedTitle() = title;
    emit applicationTitleChanges().changed(title);
}

ApplicationTitleChanges& applicationTitleChanges() {
    static ApplicationTitleChanges changes;
    return changes;
}

}  // namespace kodrix
