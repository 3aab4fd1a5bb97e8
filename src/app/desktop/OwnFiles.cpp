#include "OwnFiles.h"

#include "LaunchAgent.h"
#include "LoginItem.h"

#include "client/EditorSession.h"
#include "platform/FileIdentity.h"
#include "platform/Paths.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace {

bool sameFile(const std::optional<FileIdentity>& a, const std::optional<FileIdentity>& b)
{
    return a && b && a->device == b->device && a->inode == b->inode;
}

} // namespace

bool OwnFiles::contains(const QString& fileName)
{
    const QFileInfo target(fileName);
    // The file itself, through any link: one of ours by another name, a hard link included.
    if (const std::optional<FileIdentity> file = FileIdentity::of(target.absoluteFilePath())) {
        QStringList own{LaunchAgent::serviceFileName(), LaunchAgent::timerFileName(), LoginItem::fileName(),
                        EditorSession::databasePath()};
        for (const QString& folder : {Paths::supportFolder(), Paths::settingsFolder()}) {
            QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::System,
                               QDirIterator::Subdirectories);
            while (files.hasNext())
                own.append(files.next());
        }
        for (const QString& path : std::as_const(own)) {
            if (sameFile(file, FileIdentity::of(path)))
                return true;
        }
    }
    // Any folder the file would land in, from its own up to the root, against our two folders.
    const std::optional<FileIdentity> support = FileIdentity::of(Paths::supportFolder());
    const std::optional<FileIdentity> settings = FileIdentity::of(Paths::settingsFolder());
    QString folder = QFileInfo(target.absolutePath()).canonicalFilePath();
    while (!folder.isEmpty()) {
        const std::optional<FileIdentity> here = FileIdentity::of(folder);
        if (sameFile(here, support) || sameFile(here, settings))
            return true;
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder)
            break;
        folder = parent;
    }
    return false;
}
