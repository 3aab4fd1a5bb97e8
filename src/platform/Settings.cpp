#include "Settings.h"

#include "AtomicFile.h"
#include "Paths.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

namespace {

QString settingsFile(const QString& application)
{
    return Paths::settingsFolder() + u'/' + application + u".conf";
}

} // namespace

std::unique_ptr<QSettings> Settings::openForReading(const QString& application)
{
#if defined(Q_OS_MACOS) || defined(Q_OS_WIN)
    return open(application);
#else
    return std::make_unique<QSettings>(settingsFile(application), QSettings::IniFormat);
#endif
}

std::unique_ptr<QSettings> Settings::open(const QString& application)
{
#if defined(Q_OS_MACOS) || defined(Q_OS_WIN)
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Tallyfern"), application);
#else
    const QString folder = Paths::settingsFolder();
    const QString file = settingsFile(application);
    // Qt's save keeps the mode the file already has, so the file exists and is 0600 before Qt
    // first writes it: the settings hold the usage snapshot too.
    AtomicFile::makePrivateFolder(folder);
    const QByteArray path = QFile::encodeName(file);
    if (const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600); fd >= 0)
        ::close(fd);
    AtomicFile::makePrivate(file);
    AtomicFile::removeStaleCopies(file);
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
#endif
}
