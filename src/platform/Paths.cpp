#include "Paths.h"

#include <QDir>

#include <pwd.h>
#include <unistd.h>

namespace {

// An XDG variable counts only when it holds an absolute path.
QString xdgFolder(const char* variable)
{
    const QString value = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : QString();
}

} // namespace

QString Paths::homeDirectory()
{
    // The user database, not $HOME: the background agent and the widget must agree with the app
    // on one folder even when they start with a different environment.
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir && *entry->pw_dir)
        return QDir::cleanPath(QString::fromLocal8Bit(entry->pw_dir));
    return QDir::homePath();
}

QString Paths::dataHome()
{
    const QString dataHome = xdgFolder("XDG_DATA_HOME");
    if (!dataHome.isEmpty())
        return dataHome;
    return homeDirectory() + u"/.local/share";
}

QString Paths::configHome()
{
    const QString configHome = xdgFolder("XDG_CONFIG_HOME");
    if (!configHome.isEmpty())
        return configHome;
    return homeDirectory() + u"/.config";
}

QString Paths::settingsFolder()
{
    return configHome() + u"/Tallyfern";
}
