#include "SingleInstance.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/ProcessOwner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The first instance may hold the lock a moment before it listens.
constexpr int connectAttempts = 10;
constexpr int attemptDelayMs = 100;
constexpr int ioTimeoutMs = 1000;
// A request is one short line; anything longer is not from us.
constexpr qint64 maximumRequest = 64;

// Only a folder of ours that no other user can write into holds a lock or a socket we trust: in a
// shared one (/tmp, a runtime folder others may write), another user could take the names first.
bool isPrivateFolder(const QString& folder)
{
    struct stat info
    {};
    return ::lstat(QFile::encodeName(folder).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// True when the folder is ours and private: created 0700 when missing, and made private when it is
// ours but others may write into it.
bool makePrivateFolder(const QString& folder)
{
    struct stat info
    {};
    const QByteArray path = QFile::encodeName(folder);
    if (::lstat(path.constData(), &info) != 0)
        return AtomicFile::makePrivateFolder(folder) && isPrivateFolder(folder);
    if (S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        ::chmod(path.constData(), 0700);
    return isPrivateFolder(folder);
}

// A lock naming a process of another user is none of ours, whatever put it there.
bool heldByAnotherUser(const QLockFile& lock)
{
    qint64 pid = 0;
    if (lock.error() != QLockFile::LockFailedError || !lock.getLockInfo(&pid, nullptr, nullptr))
        return false;
    const std::optional<uid_t> owner = ProcessOwner::userOf(pid);
    return owner && *owner != ::getuid();
}

// The socket a later instance talks to is ours, or it is not the app's.
bool isOurSocket(const QString& path)
{
    struct stat info
    {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISSOCK(info.st_mode) &&
           info.st_uid == ::geteuid();
}

} // namespace

QString SingleInstance::defaultPath()
{
    // The user's runtime folder when it is private; otherwise (su, some ssh and non-systemd sessions
    // have none) a folder of our own in the data folder, never the shared temporary folder.
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!QDir::isAbsolutePath(folder) || !isPrivateFolder(folder))
        folder = Paths::supportFolder() + u"/run"_s;
    return QDir::cleanPath(folder) + u"/tallyfern-"_s + QString::number(::getuid());
}

SingleInstance::SingleInstance(const QString& path, QObject* parent)
    : QObject(parent)
    , m_path(path)
{}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim(bool askToShow)
{
    // Nothing in a folder that is not privately ours is trusted: the app then runs on its own
    // rather than not at all.
    if (!makePrivateFolder(QFileInfo(m_path).path()))
        return true;
    m_lock = std::make_unique<QLockFile>(m_path + u".lock"_s);
    // Never stale by age: the app runs for days. A lock left by a process that died is still
    // taken over, since QLockFile checks that its owner is alive; so is one naming a process of
    // another user.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0) ||
        (heldByAnotherUser(*m_lock) && m_lock->removeStaleLockFile() && m_lock->tryLock(0))) {
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
        if (!isOurSocket(m_path)) {
            QThread::msleep(attemptDelayMs);
            continue;
        }
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
