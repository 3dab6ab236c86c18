#include "SettingsStore.h"

#include <QRegularExpression>

namespace kodrix::registry {

SettingsStore::~SettingsStore() = default;

QStringList SettingsStore::takeNotices() { return {}; }

QStringList SettingsStore::keyParts(const QString& path) {
    static const QRegularExpression separators(QStringLiteral("[\\\\/]"));
    return path.split(separators, Qt::SkipEmptyParts);
}

}  // namespace kodrix::registry
