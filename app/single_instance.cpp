#include "app/single_instance.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

namespace app {

namespace {

constexpr char kActivation[] = "activate\n";
constexpr char kHandled[] = "handled\n";
constexpr int kConnectTimeoutMs = 1000;
// A running window answers between two steps of its work, which may take a while.
constexpr int kAnswerTimeoutMs = 30000;
// Paces the tries while nobody listens, e.g. while a closing instance ends.
constexpr int kNobodyListensPauseMs = 25;

}  // namespace

QString InstanceFolder() {
    static const QString folder = [] {
        const bool named = !qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR");
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (runtime.isEmpty() || !QDir(runtime).exists()) return QDir::tempPath();
        if (!named) qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        return runtime;
    }();
    return folder;
}

QString InstanceLockPath() { return QDir(InstanceFolder()).filePath(kInstanceLockName); }

QString ActivationServerPath() { return QDir(InstanceFolder()).filePath(kActivationServerName); }

InstanceLock::InstanceLock() : lock_(std::make_unique<QLockFile>(InstanceLockPath())) {
    // Only a dead holder makes the lock stale, never its age.
    lock_->setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

InstanceLock::Outcome InstanceLock::Acquire(int tries) {
    activationsSent_ = 0;
    for (int attempt = 0;; ++attempt) {
        if (lock_->tryLock(0))
            return Outcome::Owned;
        if (lock_->error() != QLockFile::LockFailedError)
            return Outcome::Unprotected;
        if (attempt == tries)
            return Outcome::GaveUp;
        ++activationsSent_;
        if (!SendActivation())
            QThread::msleep(kNobodyListensPauseMs);
    }
}

bool SendActivation() {
    QLocalSocket socket;
    socket.connectToServer(ActivationServerPath());
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(kActivation);
    if (!socket.waitForBytesWritten(kConnectTimeoutMs))
        return false;
    // The answer, or the running instance closing the connection as it ends.
    while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState)
        if (!socket.waitForReadyRead(kAnswerTimeoutMs))
            break;
    return true;
}

ActivationServer::ActivationServer(std::function<void()> onActivation, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)), onActivation_(std::move(onActivation)) {
    // The instance lock is ours, so a socket left by a crashed instance is stale.
    const QString path = ActivationServerPath();
    QLocalServer::removeServer(path);
    server_->listen(path);
    connect(server_, &QLocalServer::newConnection, this, &ActivationServer::AcceptConnections);
}

bool ActivationServer::Listening() const { return server_->isListening(); }

void ActivationServer::AcceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine() != kActivation)
                    continue;
                if (onActivation_)
                    onActivation_();
                socket->write(kHandled);
                socket->flush();
            }
        });
    }
}

}  // namespace app
