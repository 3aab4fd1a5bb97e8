#include "SettingsFile_p.h"

#include "AtomicFile.h"
#include "Paths.h"

#include <QFile>
#include <QLockFile>
#include <QTemporaryFile>

#include <cstdio>

namespace {

// The same lock QSettings takes around its own saves, so an older Tallyfern saving through
// QSettings at the same moment waits too; Qt's stale time, as one lock file has one.
constexpr int lockWaitMs = 5000;

QString fileOf(const QString& domain)
{
    return Paths::settingsFolder() + u'/' + domain + u".conf";
}

// A new file beside `file` (0600) holding `bytes`, under a name no QSettings has read yet.
std::unique_ptr<QTemporaryFile> freshCopy(const QString& file, const QByteArray& bytes = {})
{
    auto copy = std::make_unique<QTemporaryFile>(file + u".XXXXXX");
    if (!copy->open() || copy->write(bytes) != bytes.size() || !copy->flush())
        return nullptr;
    copy->close();
    return copy;
}

// Every key with its value as text: what a read of the file gives back, whichever type was stored.
QHash<QString, QString> contents(const QSettings& settings)
{
    QHash<QString, QString> keys;
    for (const QString& key : settings.allKeys())
        keys.insert(key, settings.value(key).toString());
    return keys;
}

} // namespace

// An INI file under the XDG config home, resolved on every call (Qt would remember the config
// folder for the whole process otherwise, and tests point it elsewhere).
std::unique_ptr<QSettings> SettingsFile::read(const QString& domain)
{
    return std::make_unique<QSettings>(fileOf(domain), QSettings::IniFormat);
}

// QSettings saves through QSaveFile, and under Qt 6.4 that replaces the file even when the disk took
// only part of it (a full disk left it empty, every setting gone). So the new settings are made in a
// copy beside the file, read back from disk under a name no QSettings has cached, and only a copy
// that reads back whole replaces the file, by a rename.
bool SettingsFile::update(const QString& domain, const std::function<void(QSettings&)>& change)
{
    const QString file = fileOf(domain);
    if (!AtomicFile::makePrivateFolder(Paths::settingsFolder()))
        return false;
    AtomicFile::removeStaleCopies(file);
    QLockFile lock(file + u".lock");
    if (!lock.tryLock(lockWaitMs))
        return false;

    QByteArray before;
    if (QFile current(file); current.exists()) {
        if (!current.open(QIODevice::ReadOnly))
            return false;
        before = current.readAll();
    }
    const auto draft = freshCopy(file, before);
    const auto checked = freshCopy(file);
    if (!draft || !checked)
        return false;

    QHash<QString, QString> wanted;
    {
        QSettings settings(draft->fileName(), QSettings::IniFormat);
        change(settings);
        settings.sync();
        if (settings.status() != QSettings::NoError)
            return false;
        wanted = contents(settings);
    }
    if (std::rename(QFile::encodeName(draft->fileName()).constData(),
                    QFile::encodeName(checked->fileName()).constData()) != 0)
        return false;
    const QSettings reread(checked->fileName(), QSettings::IniFormat);
    if (reread.status() != QSettings::NoError || contents(reread) != wanted)
        return false;
    return AtomicFile::makePrivate(checked->fileName()) &&
           std::rename(QFile::encodeName(checked->fileName()).constData(),
                       QFile::encodeName(file).constData()) == 0;
}
