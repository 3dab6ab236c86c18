#include "IniSettingsStore.h"

#include "catalogue/Error.h"
#include "catalogue/Messages.h"
#include "platform/Text.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cstdio>


namespace kodrix::registry {
namespace {

const QStringList kRoot = {QStringLiteral("Software"), QStringLiteral("Vorlenta"), QStringLiteral("Kodrix")};

// The entry of names that equals name without regard to case; the exact
// spelling wins. Empty when there is none.
QString matchName(const QStringList& names, const QString& name) {
    if (names.contains(name)) return name;
    for (const QString& n : names)
        if (n.compare(name, Qt::CaseInsensitive) == 0) return n;
    return QString();
}

// Enters a QSettings group for a scope; the top level is no group.
class GroupScope {
public:
    GroupScope(QSettings& settings, const QString& group) : settings_(settings), entered_(!group.isEmpty()) {
        if (entered_) settings_.beginGroup(group);
    }
    ~GroupScope() {
        if (entered_) settings_.endGroup();
    }
    GroupScope(const GroupScope&) = delete;
    GroupScope& operator=(const GroupScope&) = delete;

private:
    QSettings& settings_;
    bool entered_;
};

}  // namespace

IniSettingsStore::IniSettingsStore() : IniSettingsStore(defaultFileName()) {}

IniSettingsStore::IniSettingsStore(const QString& fileName)
    : fileName_(fileName), settings_(std::make_unique<QSettings>(fileName, QSettings::IniFormat)) {
    // A failed atomic write must never fall back to writing the file in place.
    settings_->setAtomicSyncRequired(true);
}

IniSettingsStore::~IniSettingsStore() = default;

QString IniSettingsStore::defaultFileName() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Vorlenta/Kodrix.ini");
}

bool IniSettingsStore::groupOf(const QString& path, QString& group) {
    const QStringList parts = keyParts(path);
    if (parts.size() < kRoot.size()) return false;
    for (int i = 0; i < kRoot.size(); ++i)
        if (parts[i].compare(kRoot[i], Qt::CaseInsensitive) != 0) return false;
    QStringList resolved;
    bool existing = true;
    for (int i = kRoot.size(); i < parts.size(); ++i) {
        QString part = parts[i];
        if (existing) {
            GroupScope scope(*settings_, resolved.join(QLatin1Char('/')));
            const QString found = matchName(settings_->childGroups(), part);
            if (found.isEmpty())
                existing = false;
            else
                part = found;
        }
        resolved << part;
    }
    group = resolved.join(QLatin1Char('/'));
    return true;
}

bool IniSettingsStore::groupExists(const QString& group) {
    if (!QFileInfo::exists(fileName_)) return false;
    if (group.isEmpty()) return true;
    const int slash = group.lastIndexOf(QLatin1Char('/'));
    GroupScope scope(*settings_, slash < 0 ? QString() : group.left(slash));
    return settings_->childGroups().contains(group.mid(slash + 1));
}

bool IniSettingsStore::canWrite() {
    if (writable_ < 0) {
        bool ok = settings_->status() != QSettings::AccessError;  // a file that could not be read is kept
        if (ok) ok = QDir().mkpath(QFileInfo(fileName_).absolutePath());
        if (ok) {
            // The commit's own steps: a new file beside the old one, which
            // could then replace it.
            QSaveFile probe(fileName_);
            ok = probe.open(QIODevice::WriteOnly);
            probe.cancelWriting();
        }
        writable_ = ok ? 1 : 0;
    }
    return writable_ == 1;
}

bool IniSettingsStore::openKey(const QString& path, bool canCreate) {
    open_ = false;
    group_.clear();
    commit();
    QString group;
    if (!groupOf(path, group)) return false;
    if (canCreate) {
        if (!canWrite()) return false;
    } else if (!groupExists(group)) {
        return false;
    }
    group_ = group;
    open_ = true;
    return true;
}

QString IniSettingsStore::resolvedKey(const QString& name) {
    // A value already there keeps its spelling, in the file or among the
    // values written since the last commit.
    const QString prefix = group_.isEmpty() ? QString() : group_ + QLatin1Char('/');
    QString found;
    {
        GroupScope scope(*settings_, group_);
        found = matchName(settings_->childKeys(), name);
    }
    if (found.isEmpty()) {
        for (const Pending& p : pending_)
            if (p.key.compare(prefix + name, Qt::CaseInsensitive) == 0) return p.key;
        found = name;
    }
    return prefix + found;
}

QString IniSettingsStore::readString(const QString& name) {
    if (!open_) return QString();
    const QString key = resolvedKey(name);
    for (auto it = pending_.rbegin(); it != pending_.rend(); ++it)
        if (it->key == key) return it->value;
    const QVariant value = settings_->value(key);
    if (!value.isValid() && !settings_->contains(key)) return QString();
    if (value.typeId() != QMetaType::QString) throw Error(messages::invalidDataType(toCp1251(name)));
    return value.toString();
}

void IniSettingsStore::writeString(const QString& name, const QString& value) {
    if (!open_ || !canWrite()) throw Error(messages::failedToSetData(toCp1251(name)));
    pending_.push_back({resolvedKey(name), name, value});
}

void IniSettingsStore::commit() {
    if (pending_.empty()) return;
    const QString first = pending_.front().name;
    const bool written = replaceFile();
    pending_.clear();
    if (!written) throw Error(messages::failedToSetData(toCp1251(first)));
}

bool IniSettingsStore::replaceFile() {
    settings_->sync();  // the file as it is now (nothing is pending here: it only reads)
    if (settings_->status() == QSettings::AccessError) return false;
    QVariantMap wanted;
    for (const QString& key : settings_->allKeys()) wanted.insert(key, settings_->value(key));
    for (const Pending& p : pending_) wanted.insert(p.key, p.value);

    const QString folder = QFileInfo(fileName_).absolutePath();
    const QString pattern = folder + QLatin1Char('/') + QFileInfo(fileName_).fileName() + QStringLiteral(".XXXXXX");
    QTemporaryFile written(pattern), checked(pattern);  // two fresh names, removed on the way out
    if (!written.open() || !checked.open()) return false;
    written.close();
    checked.close();
    {
        QSettings out(written.fileName(), QSettings::IniFormat);
        for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) out.setValue(it.key(), it.value());
        out.sync();
        if (out.status() != QSettings::NoError) return false;
    }
    // Read back under a name QSettings has not seen, so that it reads the
    // disk and not what it remembers of the file it wrote.
    if (::rename(QFile::encodeName(written.fileName()).constData(), QFile::encodeName(checked.fileName()).constData()) != 0)
        return false;
    {
        QSettings check(checked.fileName(), QSettings::IniFormat);
        if (check.status() != QSettings::NoError) return false;
        QStringList keys = check.allKeys();
        keys.sort();
        if (keys != wanted.keys()) return false;
        for (const QString& key : keys)
            if (check.value(key) != wanted.value(key)) return false;
    }
    if (::rename(QFile::encodeName(checked.fileName()).constData(), QFile::encodeName(fileName_).constData()) != 0)
        return false;
    checked.setAutoRemove(false);  // it is the settings file now
    settings_->sync();             // read the new file
    return true;
}

void IniSettingsStore::closeKey() {
    open_ = false;
    group_.clear();
    commit();
}

}  // namespace kodrix::registry
