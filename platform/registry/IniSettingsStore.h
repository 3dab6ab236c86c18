#pragma once
// The settings store as a per-user INI file, read and written with QSettings.
//
// File: <configuration folder>/Vorlenta/Kodrix.ini, where the configuration
// folder is $XDG_CONFIG_HOME when that is an absolute path, else the home
// folder's ".config"; the home folder is $HOME, or, when that is unset or
// empty, the one of the user's account entry. A configuration or home folder
// that is relative or the file system's root is no place for one user's
// settings (they would land wherever the program was started, or be shared
// by every user without a home): then there is no file (openUserSettings).
//
// Keys: the file is the key "Software\Vorlenta\Kodrix"; its values are the
// file's top-level values (the [General] section). Each key below it is an
// INI section named by the rest of the path: "Software\Vorlenta\Kodrix\Settings"
// is [Settings] (a deeper key would be the group "A/B"). A key path outside
// "Software\Vorlenta\Kodrix" is never there and cannot be created. Existing
// sections and values are matched without regard to case, as registry keys
// and value names are.
//
// Values: a plain string is what the file holds as text (a number typed into
// the file by hand is text too); what QSettings reads as anything else (a
// list "a, b", @Variant(...), @ByteArray(...), @Invalid()) is a value of
// another type.
//
// Damage: a file larger than kMaxFileBytes is no settings file the program
// wrote; it is set aside unread (renamed beside itself, "Kodrix.ini.damaged")
// and the store starts empty, with a notice for the user. Lines QSettings
// reads into keys it cannot write again (an empty name: "=v", a value under
// "[]", ...) are dropped when the file is next written.
//
// Writing: values collect in memory and are committed together when the key
// is closed (or another key is opened). A commit never writes over the file
// in place: QSettings writes a candidate file beside it, a fresh read of the
// candidate must give back exactly the intended settings (QSettings itself
// would rename a file cut short by a full disk over the old one; a value of
// the old file that does not read back as it was is dropped), and only then
// do the candidate's bytes replace the file, whole or not at all (see
// platform/FileReplacement.h: a symbolic link is written through, the file
// keeps its permissions). A commit that fails leaves the previous file as it
// was. A key is opened for writing only when the folder can be created and
// can hold a new file, and when the existing file could be read (so a save
// never drops settings it did not see).
#include "SettingsStore.h"

#include <QSettings>

#include <optional>

#include <memory>
#include <vector>

namespace kodrix::registry {

class IniSettingsStore : public SettingsStore {
public:
    // The largest file read: the program's own settings take a few hundred bytes.
    static constexpr qint64 kMaxFileBytes = 1 << 20;

    // The per-user file (defaultFileName()).
    IniSettingsStore();
    explicit IniSettingsStore(const QString& fileName);
    ~IniSettingsStore() override;

    // The configuration folder + "/Vorlenta/Kodrix.ini", read from the
    // environment and the account entry now; empty when there is no usable
    // configuration folder. problem: the folder that was refused.
    static QString defaultFileName(QString* problem = nullptr);
    const QString& fileName() const { return fileName_; }

    bool openKey(const QString& path, bool canCreate) override;
    QString readString(const QString& name) override;
    void writeString(const QString& name, const QString& value) override;
    void closeKey() override;
    QStringList takeNotices() override;

private:
    // Renames a file past kMaxFileBytes beside itself, with a notice.
    void setAsideIfOversized();
    // Writes wanted to a candidate file and reads it back: its bytes, or
    // nullopt when it cannot be written; lost: the keys that did not read
    // back as they were written.
    std::optional<QByteArray> writeCandidate(const QVariantMap& wanted, QStringList& lost);
    // The QSettings group of a key path, existing sections matched without
    // regard to case; false for a path outside the program's key.
    bool groupOf(const QString& path, QString& group);
    bool groupExists(const QString& group);
    QString resolvedKey(const QString& name);
    bool canWrite();
    void commit();
    bool replaceFile();

    struct Pending {
        QString key;   // the QSettings key: group/name
        QString name;  // as written, for the error message
        QString value;
    };

    QString fileName_;
    bool ignoreFile_ = false;  // too large and could not be set aside: never read nor written
    std::unique_ptr<QSettings> settings_;  // reads only: the file as it was last read or committed; null when ignored
    bool open_ = false;
    QString group_;  // the current key's group; empty for the top level
    int writable_ = -1;  // unknown, no, yes
    std::vector<Pending> pending_;  // written since the last commit, in order
    QStringList notices_;
};

// The store the program uses: the per-user file, or, when there is no usable
// configuration folder, a store in memory for this run whose notice tells the
// user that the settings will not be kept.
std::unique_ptr<SettingsStore> openUserSettings();

}  // namespace kodrix::registry
