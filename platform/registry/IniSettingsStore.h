#pragma once
// The settings store as a per-user INI file, read and written with QSettings.
//
// File: <configuration folder>/Vorlenta/Kodrix.ini, where the configuration
// folder is $XDG_CONFIG_HOME, or ~/.config without it (QSettings' own place
// for organisation "Vorlenta", application "Kodrix", INI format).
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
// Writing: values collect in memory and are committed together when the key
// is closed (or another key is opened). A commit never writes over the file
// in place: QSettings writes a candidate file beside it, a fresh read of the
// candidate must give back exactly the intended settings (QSettings itself
// would rename a file cut short by a full disk over the old one), and only
// then does the candidate replace the file, by a rename. A commit that fails
// leaves the previous file as it was. A key is opened for writing only when
// the folder can be created and can hold a new file, and when the existing
// file could be read (so a save never drops settings it did not see).
#include "SettingsStore.h"

#include <QSettings>

#include <memory>
#include <vector>

namespace kodrix::registry {

class IniSettingsStore : public SettingsStore {
public:
    // The per-user file (defaultFileName()).
    IniSettingsStore();
    explicit IniSettingsStore(const QString& fileName);
    ~IniSettingsStore() override;

    // $XDG_CONFIG_HOME (or ~/.config) + "/Vorlenta/Kodrix.ini", read from the
    // environment now.
    static QString defaultFileName();
    const QString& fileName() const { return fileName_; }

    bool openKey(const QString& path, bool canCreate) override;
    QString readString(const QString& name) override;
    void writeString(const QString& name, const QString& value) override;
    void closeKey() override;

private:
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
    std::unique_ptr<QSettings> settings_;  // reads only: the file as it was last read or committed
    bool open_ = false;
    QString group_;  // the current key's group; empty for the top level
    int writable_ = -1;  // unknown, no, yes
    std::vector<Pending> pending_;  // written since the last commit, in order
};

}  // namespace kodrix::registry
