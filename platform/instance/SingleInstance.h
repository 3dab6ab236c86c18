#pragma once
// Only one copy of the program runs per user. The first start holds a lock
// file named after the token and listens on a local socket of the same name;
// a later start finds the lock held, tells the first copy to show its main
// window, and ends without touching the catalogue or the settings.
// The lock is taken atomically, so of two starts at the same moment exactly
// one runs. Only a running copy that answers makes a start a second one: a
// lock nobody holds (left by a killed process, or damaged: empty, garbage) is
// taken over. Lock and socket live in the per-user runtime folder, or without
// one in a private folder of the user's cache, never in a folder every user
// can write to (where anyone could block the program).
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;

namespace kodrix {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Start {
        First,   // this process holds the token now
        Second,  // another copy runs; it has been asked to show its window
        Failed,  // no lock could be taken: failure() says why
    };

    explicit SingleInstance(const QString& token, QObject* parent = nullptr);
    ~SingleInstance() override;

    Start acquire();
    // Why acquire() failed, in the program's words (cp1251-free text).
    QString failure() const { return failure_; }

    // Where the lock file lives; empty when the user has no folder for it.
    static QString lockPath(const QString& token);

signals:
    // The running copy was asked to show its main window by a later start.
    void showRequested();

private:
    bool notifyRunningCopy();
    void listen();

    QString token_;
    QString failure_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

}  // namespace kodrix
