#pragma once
// Only one copy of the program runs per user. The first start holds a lock
// file named after the token and listens on a local socket of the same name;
// a later start finds the lock held, tells the first copy to show its main
// window, and ends without touching the catalogue or the settings.
// The lock is taken atomically, so of two starts at the same moment exactly
// one runs; a lock left by a killed process is recognised as stale (its
// process is gone) and taken over.
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;

namespace kodrix {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& token, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the first: it now holds the token. Otherwise
    // the running copy has been asked to show its window.
    bool acquire();

    // Where the lock file lives (the per-user runtime folder).
    static QString lockPath(const QString& token);

signals:
    // The running copy was asked to show its main window by a later start.
    void showRequested();

private:
    bool notifyRunningCopy();
    void listen();

    QString token_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

}  // namespace kodrix
