#include "MemorySettingsStore.h"

#include "catalogue/Error.h"
#include "catalogue/Messages.h"
#include "platform/Text.h"

#include <utility>

namespace kodrix::registry {

QString MemorySettingsStore::normalized(const QString& path) {
    return keyParts(path).join(QLatin1Char('\\')).toLower();
}

void MemorySettingsStore::createKey(const QString& path) {
    // A key brings its parents into being, as in the registry.
    const QStringList parts = keyParts(path);
    for (int n = 1; n <= parts.size(); ++n) keys_[normalized(parts.mid(0, n).join(QLatin1Char('\\')))];
}

bool MemorySettingsStore::hasKey(const QString& path) const { return keys_.count(normalized(path)) > 0; }

void MemorySettingsStore::set(const QString& path, const QString& name, const QVariant& value) {
    createKey(path);
    keys_[normalized(path)][name.toLower()] = value;
}

std::optional<QVariant> MemorySettingsStore::value(const QString& path, const QString& name) const {
    auto key = keys_.find(normalized(path));
    if (key == keys_.end()) return std::nullopt;
    auto v = key->second.find(name.toLower());
    if (v == key->second.end()) return std::nullopt;
    return v->second;
}

bool MemorySettingsStore::openKey(const QString& path, bool canCreate) {
    current_.reset();
    if (keyParts(path).isEmpty()) return false;
    if (!hasKey(path)) {
        if (!canCreate || refuseWrites) return false;
        createKey(path);
    } else if (canCreate && refuseWrites) {
        return false;
    }
    current_ = normalized(path);
    return true;
}

QString MemorySettingsStore::readString(const QString& name) {
    if (!current_) return QString();
    const auto v = value(*current_, name);
    if (!v) return QString();
    if (v->typeId() != QMetaType::QString) throw Error(messages::invalidDataType(toCp1251(name)));
    return v->toString();
}

void MemorySettingsStore::writeString(const QString& name, const QString& value) {
    if (!current_ || refuseWrites) throw Error(messages::failedToSetData(toCp1251(name)));
    keys_[*current_][name.toLower()] = value;
}

QStringList MemorySettingsStore::takeNotices() { return std::exchange(notices, QStringList()); }

void MemorySettingsStore::closeKey() {
    current_.reset();
    ++commits;
}

}  // namespace kodrix::registry
