#include "SingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <unistd.h>

namespace kodrix {

namespace {
// The per-user runtime folder holds both the lock and the socket.
QString runtimeDir() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    QDir().mkpath(dir);
    return dir;
}
QString baseName(const QString& token) { return token + QLatin1Char('-') + QString::number(getuid()); }
QString socketName(const QString& token) { return runtimeDir() + QLatin1Char('/') + baseName(token) + QStringLiteral(".socket"); }
}  // namespace

SingleInstance::SingleInstance(const QString& token, QObject* parent) : QObject(parent), token_(token) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::lockPath(const QString& token) {
    return runtimeDir() + QLatin1Char('/') + baseName(token) + QStringLiteral(".lock");
}

bool SingleInstance::acquire() {
    lock_ = std::make_unique<QLockFile>(lockPath(token_));
    lock_->setStaleLockTime(0);  // only a dead owner makes the lock stale, never its age
    if (lock_->tryLock(0)) {
        listen();
        return true;
    }
    lock_.reset();
    notifyRunningCopy();
    return false;
}

void SingleInstance::listen() {
    QLocalServer::removeServer(socketName(token_));  // a socket file left by a killed copy
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->listen(socketName(token_));
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            connect(s, &QLocalSocket::readyRead, s, [this, s] {
                if (s->readAll().contains("show")) emit showRequested();
            });
        }
    });
}

bool SingleInstance::notifyRunningCopy() {
    // The running copy may have taken the lock a moment ago and not be
    // listening yet: retry for a short while.
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5000) {
        QLocalSocket socket;
        socket.connectToServer(socketName(token_));
        if (socket.waitForConnected(500)) {
            socket.write("show\n");
            socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

}  // namespace kodrix
