#pragma once
// A settings store in memory: for tests, keys and values as a test sets them
// (typed values included), a switch that makes the store refuse every write,
// and a count of commits; for the program, the settings of a run that has
// nowhere to keep them (openUserSettings), with the notice that says so.
#include "SettingsStore.h"

#include <QVariant>

#include <map>
#include <optional>

namespace kodrix::registry {

class MemorySettingsStore : public SettingsStore {
public:
    bool openKey(const QString& path, bool canCreate) override;
    QString readString(const QString& name) override;
    void writeString(const QString& name, const QString& value) override;
    void closeKey() override;
    QStringList takeNotices() override;

    // Given to the user once, by takeNotices.
    QStringList notices;

    // When set, opening with canCreate fails and every write throws.
    bool refuseWrites = false;
    int commits = 0;

    // Test setup and inspection, outside any current key; setting a value
    // creates its key. Paths and names as for openKey and readString.
    void set(const QString& path, const QString& name, const QVariant& value);
    void createKey(const QString& path);
    bool hasKey(const QString& path) const;
    std::optional<QVariant> value(const QString& path, const QString& name) const;

private:
    using Values = std::map<QString, QVariant>;  // by lower-cased name
    static QString normalized(const QString& path);

    std::map<QString, Values> keys_;  // by normalized path
    std::optional<QString> current_;
};

}  // namespace kodrix::registry
