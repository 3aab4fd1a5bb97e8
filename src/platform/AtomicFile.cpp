#include "AtomicFile.h"

#include "Paths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t privateFile = S_IRUSR | S_IWUSR;
constexpr mode_t privateFolder = S_IRWXU;

// The support folder, each account's folder in it, and the settings folder.
bool inOurFolders(const QString& fileName)
{
    const QString folder = QFileInfo(fileName).absolutePath();
    const QString support = QDir::cleanPath(Paths::supportFolder());
    return folder == support || folder == QDir::cleanPath(Paths::settingsFolder()) ||
           QFileInfo(folder).absolutePath() == support + u"/accounts";
}

} // namespace

bool AtomicFile::write(const QString& fileName, const QByteArray& bytes)
{
    // First, so a full disk left by killed saves has room again.
    removeStaleCopies(fileName);
    return writeNamed(fileName, bytes);
}

bool AtomicFile::writeNamed(const QString& fileName, const QByteArray& bytes)
{
    // The entry itself, not what a link points to: a link to a regular file is written through,
    // anything else is left as it is.
    const QFileInfo target(fileName);
    if ((target.exists() || target.isSymLink()) && !target.isFile())
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // On the temporary copy before the rename, so the new file is never readable by others, not
    // even for a moment. Qt would give it the old file's mode, or 0666 less the umask.
    if (::fchmod(file.handle(), privateFile) != 0 || file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    // QSaveFile's write() only fills a buffer, and Qt 6.4's commit() renames the copy over the
    // target even when its own last write failed (a full disk): an empty file would replace a good
    // one. So the bytes are pushed out and synced first, and a failure leaves the old file.
    if (!file.flush() || ::fsync(file.handle()) != 0) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool AtomicFile::makePrivateFolder(const QString& path)
{
    return QDir().mkpath(path) && ::chmod(QFile::encodeName(path).constData(), privateFolder) == 0;
}

QString AtomicFile::unusedName(const QString& base)
{
    QString name = base;
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = base + u'-' + QString::number(n);
    return name;
}

bool AtomicFile::makePrivate(const QString& fileName)
{
    return ::chmod(QFile::encodeName(fileName).constData(), privateFile) == 0;
}

void AtomicFile::removeStaleCopies(const QString& fileName)
{
    if (!inOurFolders(fileName))
        return;
    const QFileInfo target(fileName);
    const QDir folder = target.dir();
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-staleCopySeconds);
    // Also a copy's own copy: the settings are written into a copy first (SettingsFile).
    const QString copy = target.fileName() + QStringLiteral(".??????");
    const QFileInfoList copies =
        folder.entryInfoList({copy, copy + QStringLiteral(".??????")},
                             QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive);
    for (const QFileInfo& copy : copies) {
        if (copy.lastModified() < before)
            QFile::remove(copy.filePath());
    }
}
