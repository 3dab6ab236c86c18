#pragma once
// The per-user settings store, used the way the program uses the registry:
// one current key at a time, string values read and written by name, the key
// released (and what was written committed) at the end of the action.
//
// Key paths are backslash paths such as "Software\Vorlenta\Kodrix\Settings";
// a leading backslash and the letter case of keys and value names do not
// matter. Texts are QStrings; the store keeps them exactly.
#include <QString>
#include <QStringList>

namespace kodrix::registry {

class SettingsStore {
public:
    virtual ~SettingsStore();

    // Makes the key at path the current key. Without canCreate a key that is
    // not there is not opened; with it a missing key is created, and the open
    // fails when the store cannot be written. Returns whether the key is now
    // current; after a failure no key is current.
    virtual bool openKey(const QString& path, bool canCreate) = 0;

    // The value of that name in the current key: empty when it is absent or
    // no key is current. A value that is not a plain string (a list, a number
    // or any other typed value) throws Error("Invalid data type for '<name>'").
    virtual QString readString(const QString& name) = 0;

    // Stores a string value in the current key. With no current key, or when
    // the store refuses, throws Error("Failed to set data for '<name>'").
    virtual void writeString(const QString& name, const QString& value) = 0;

    // Commits what was written and releases the current key. A commit the
    // store refuses throws Error("Failed to set data for '<name>'") naming the
    // first value written since the last commit; the stored settings then
    // stay as they were before.
    virtual void closeKey() = 0;

    // What the user is to be told about the store itself (a damaged file set
    // aside, settings that have nowhere to go), each notice once, as program
    // messages (cp1251 texts already converted). None by default.
    virtual QStringList takeNotices();

    // The parts of a key path: split at backslashes (or slashes), empty parts
    // dropped.
    static QStringList keyParts(const QString& path);
};

}  // namespace kodrix::registry
