#include "SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The first instance may hold the lock a moment before it listens.
constexpr int connectAttempts = 10;
constexpr int attemptDelayMs = 100;
constexpr int ioTimeoutMs = 1000;
// A request is one short line; anything longer is not from us.
constexpr qint64 maximumRequest = 64;

} // namespace

QString SingleInstance::defaultPath()
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::tempPath();
    return folder + u"/tallyfern-"_s + QString::number(::getuid());
}

SingleInstance::SingleInstance(const QString& path, QObject* parent)
    : QObject(parent)
    , m_path(path)
{}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim(bool askToShow)
{
    m_lock = std::make_unique<QLockFile>(m_path + u".lock"_s);
    // Never stale by age: the app runs for days. A lock left by a process that died is still
    // taken over, since QLockFile checks that its owner is alive.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        listen();
        return true;
    }
    m_lock.reset();
    if (askToShow)
        notifyRunningInstance();
    return false;
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

bool SingleInstance::listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket file left behind belongs to an instance that is gone.
    QLocalServer::removeServer(m_path);
    if (!m_server->listen(m_path))
        return false;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
    return true;
}

void SingleInstance::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine(maximumRequest) == showCommand)
                    Q_EMIT showRequested();
            }
            if (socket->bytesAvailable() > maximumRequest)
                socket->abort();
        });
    }
}

bool SingleInstance::notifyRunningInstance() const
{
    for (int attempt = 0; attempt < connectAttempts; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(m_path);
        if (socket.waitForConnected(ioTimeoutMs)) {
            socket.write(showCommand);
            const bool written = socket.waitForBytesWritten(ioTimeoutMs);
            socket.disconnectFromServer();
            return written;
        }
        QThread::msleep(attemptDelayMs);
    }
    return false;
}
