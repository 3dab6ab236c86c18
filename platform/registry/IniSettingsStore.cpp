#include "IniSettingsStore.h"

#include "MemorySettingsStore.h"
#include "catalogue/Error.h"
#include "catalogue/Messages.h"
#include "platform/FileReplacement.h"
#include "platform/Text.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cstdio>
#include <utility>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A key QSettings reads but cannot write back: an empty name or an empty
// part ("=v" gives "", "[]" then "k=v" gives "/k").
bool isCleanKey(const QString& key) {
    return !key.isEmpty() && !key.startsWith(QLatin1Char('/')) && !key.endsWith(QLatin1Char('/')) &&
           !key.contains(QStringLiteral("//"));
}

// A folder for one user's settings: an absolute path other than the root.
bool isUsableFolder(const QString& folder) {
    return QDir::isAbsolutePath(folder) && QDir::cleanPath(folder) != QStringLiteral("/");
}

std::string onDisk(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

IniSettingsStore::IniSettingsStore() : IniSettingsStore(defaultFileName()) {}

IniSettingsStore::IniSettingsStore(const QString& fileName) : fileName_(fileName) {
    setAsideIfOversized();
    if (!ignoreFile_) {
        settings_ = std::make_unique<QSettings>(fileName, QSettings::IniFormat);
        // A failed atomic write must never fall back to writing the file in place.
        settings_->setAtomicSyncRequired(true);
    }
}

IniSettingsStore::~IniSettingsStore() = default;

QString IniSettingsStore::defaultFileName(QString* problem) {
    QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(folder)) {  // unset, or relative, which the rules for it say to ignore
        QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty()) {
            if (const passwd* account = ::getpwuid(::getuid()); account && account->pw_dir)
                home = QFile::decodeName(account->pw_dir);
        }
        if (!isUsableFolder(home)) {
            if (problem) *problem = home;
            return QString();
        }
        folder = home + QStringLiteral("/.config");
    }
    if (!isUsableFolder(folder)) {
        if (problem) *problem = folder;
        return QString();
    }
    return QDir::cleanPath(folder) + QStringLiteral("/Vorlenta/Kodrix.ini");
}

std::unique_ptr<SettingsStore> openUserSettings() {
    QString problem;
    const QString fileName = IniSettingsStore::defaultFileName(&problem);
    if (!fileName.isEmpty()) return std::make_unique<IniSettingsStore>(fileName);
    auto memory = std::make_unique<MemorySettingsStore>();
    memory->notices << fromCp1251(messages::settingsNotKept(toCp1251(problem)));
    return memory;
}

void IniSettingsStore::setAsideIfOversized() {
    // The file itself, also when the name is a link to it.
    const auto target = files::followLinks(onDisk(fileName_));
    struct stat st {};
    if (!target || ::stat(target->c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= kMaxFileBytes) return;
    // The first free name of "<name>.damaged", "<name>.damaged.2", ...: a file
    // set aside before is kept too.
    std::string aside = *target + ".damaged";
    for (int n = 2; n <= 100 && ::access(aside.c_str(), F_OK) == 0; ++n) aside = *target + ".damaged." + std::to_string(n);
    const std::string shownPath = toCp1251(QFile::decodeName(QByteArray::fromStdString(*target)));
    if (::rename(target->c_str(), aside.c_str()) == 0) {
        notices_ << fromCp1251(messages::settingsSetAside(shownPath, toCp1251(QFile::decodeName(QByteArray::fromStdString(aside)))));
        return;
    }
    // It cannot be moved: it is neither read nor written over.
    ignoreFile_ = true;
    notices_ << fromCp1251(messages::settingsIgnored(shownPath));
}

QStringList IniSettingsStore::takeNotices() { return std::exchange(notices_, QStringList()); }

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
    if (ignoreFile_) return false;
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
    setAsideIfOversized();
    if (ignoreFile_) return false;
    settings_->sync();  // the file as it is now (nothing is pending here: it only reads)
    if (settings_->status() == QSettings::AccessError) return false;
    // What the file holds, less the damage QSettings cannot write again,
    // and what was written now.
    QVariantMap wanted;
    for (const QString& key : settings_->allKeys())
        if (isCleanKey(key)) wanted.insert(key, settings_->value(key));
    for (const Pending& p : pending_) wanted.insert(p.key, p.value);

    // A value of the old file that does not read back as it was written is
    // dropped and the candidate written again; what was written now must
    // read back, or the commit fails.
    for (int attempt = 0; attempt < 3; ++attempt) {
        QStringList lost;
        const std::optional<QByteArray> bytes = writeCandidate(wanted, lost);
        if (!bytes) return false;
        if (lost.isEmpty()) {
            if (files::replaceFileContent(onDisk(fileName_), {bytes->constData(), static_cast<std::size_t>(bytes->size())}))
                return false;
            settings_->sync();  // read the new file
            return true;
        }
        for (const QString& key : lost) {
            for (const Pending& p : pending_)
                if (p.key == key) return false;
            wanted.remove(key);
        }
    }
    return false;
}

std::optional<QByteArray> IniSettingsStore::writeCandidate(const QVariantMap& wanted, QStringList& lost) {
    const QString folder = QFileInfo(fileName_).absolutePath();
    const QString pattern = folder + QLatin1Char('/') + QFileInfo(fileName_).fileName() + QStringLiteral(".XXXXXX");
    QTemporaryFile written(pattern), checked(pattern);  // two fresh names, removed on the way out
    if (!written.open() || !checked.open()) return std::nullopt;
    written.close();
    checked.close();
    {
        QSettings out(written.fileName(), QSettings::IniFormat);
        for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) out.setValue(it.key(), it.value());
        out.sync();
        if (out.status() != QSettings::NoError) return std::nullopt;
    }
    // Read back under a name QSettings has not seen, so that it reads the
    // disk and not what it remembers of the file it wrote.
    if (::rename(QFile::encodeName(written.fileName()).constData(), QFile::encodeName(checked.fileName()).constData()) != 0)
        return std::nullopt;
    QSettings check(checked.fileName(), QSettings::IniFormat);
    if (check.status() != QSettings::NoError) return std::nullopt;
    const QStringList keys = check.allKeys();
    for (const QString& key : keys)
        if (!wanted.contains(key)) return std::nullopt;  // a key no one wrote: nothing to drop it for
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it)
        if (!keys.contains(it.key()) || check.value(it.key()) != it.value()) lost << it.key();
    QFile candidate(checked.fileName());
    if (!candidate.open(QIODevice::ReadOnly)) return std::nullopt;
    return candidate.readAll();
}

void IniSettingsStore::closeKey() {
    open_ = false;
    group_.clear();
    commit();
}

}  // namespace kodrix::registry
