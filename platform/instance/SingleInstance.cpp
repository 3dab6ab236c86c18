#include "SingleInstance.h"

#include "catalogue/Messages.h"
#include "platform/Text.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <cerrno>
#include <unistd.h>

namespace kodrix {

namespace {

// The folder for the lock and the socket, looked up once: the runtime folder
// (the system checks it is the user's own; without XDG_RUNTIME_DIR it is a
// private folder it makes), else a private folder in the user's cache.
QString findRuntimeDir() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!dir.isEmpty()) return dir;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty()) return {};
    dir = cache + QStringLiteral("/kodrix-run");
    if (!QDir().mkpath(dir)) return {};
    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return dir;
}

const QString& runtimeDir() {
    static const QString dir = findRuntimeDir();
    return dir;
}

QString baseName(const QString& token) { return token + QLatin1Char('-') + QString::number(getuid()); }
QString socketName(const QString& token) { return runtimeDir() + QLatin1Char('/') + baseName(token) + QStringLiteral(".socket"); }

QString cannotCreate(const QString& path, int errnoValue) {
    return fromCp1251(messages::cannotCreateFile(toCp1251(path), errnoValue));
}

// A running copy takes the lock and listens a moment later; a lock nobody
// holds is taken over only once it has stayed so for this long.
constexpr int kTakeOverAfterMs = 100;
constexpr int kGiveUpAfterMs = 3000;

}  // namespace

SingleInstance::SingleInstance(const QString& token, QObject* parent) : QObject(parent), token_(token) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::lockPath(const QString& token) {
    if (runtimeDir().isEmpty()) return {};
    return runtimeDir() + QLatin1Char('/') + baseName(token) + QStringLiteral(".lock");
}

SingleInstance::Start SingleInstance::acquire() {
    const QString path = lockPath(token_);
    if (path.isEmpty()) {
        failure_ = cannotCreate(QStringLiteral("$XDG_RUNTIME_DIR/") + baseName(token_) + QStringLiteral(".lock"), ENOENT);
        return Start::Failed;
    }
    lock_ = std::make_unique<QLockFile>(path);
    lock_->setStaleLockTime(0);  // only a dead owner makes the lock stale, never its age
    QElapsedTimer t;
    t.start();
    for (;;) {
        if (lock_->tryLock(0)) {
            listen();
            return Start::First;
        }
        if (lock_->error() != QLockFile::LockFailedError) {
            failure_ = cannotCreate(path, lock_->error() == QLockFile::PermissionError ? EACCES : EIO);
            break;
        }
        if (QFileInfo(path).isDir()) {
            failure_ = cannotCreate(path, EISDIR);
            break;
        }
        if (notifyRunningCopy()) {
            lock_.reset();
            return Start::Second;
        }
        // Nobody answers. A lock no process holds (damaged, or left behind)
        // is removed and taken; one a live process holds is not.
        if (t.elapsed() >= kTakeOverAfterMs && lock_->removeStaleLockFile()) continue;
        if (t.elapsed() >= kGiveUpAfterMs) {
            failure_ = fromCp1251(messages::runningCopyNotAnswering(toCp1251(path)));
            break;
        }
        QThread::msleep(20);
    }
    lock_.reset();
    return Start::Failed;
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
    QLocalSocket socket;
    socket.connectToServer(socketName(token_));
    if (!socket.waitForConnected(500)) return false;
    socket.write("show\n");
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return true;
}

}  // namespace kodrix
