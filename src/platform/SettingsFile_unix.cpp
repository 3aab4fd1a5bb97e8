#include "SettingsFile_p.h"

#include "AtomicFile.h"
#include "Paths.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

// An INI file under the XDG config home, resolved on every call (Qt would remember the config
// folder for the whole process otherwise, and tests point it elsewhere).
std::unique_ptr<QSettings> SettingsFile::open(const QString& domain, Mode mode)
{
    const QString folder = Paths::settingsFolder();
    const QString file = folder + u'/' + domain + u".conf";
    if (mode == Mode::write) {
        // Qt's save keeps the mode the file already has, so the file exists and is 0600 before Qt
        // first writes it: the settings hold the usage snapshot too.
        AtomicFile::makePrivateFolder(folder);
        const QByteArray path = QFile::encodeName(file);
        if (const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600); fd >= 0)
            ::close(fd);
        AtomicFile::makePrivate(file);
        AtomicFile::removeStaleCopies(file);
    }
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
}
