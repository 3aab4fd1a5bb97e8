#include "LaunchAgent.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/ProcessRunner.h"
#include "platform/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

void run(const QString& program, const QStringList& arguments)
{
    // The status says nothing useful here: stopping an agent that is not loaded fails harmlessly,
    // and a failed start is retried at the next launch of the app.
    ProcessRunner::current().run(program, arguments);
}

#ifdef Q_OS_MACOS

const QString launchctl = u"/bin/launchctl"_s;

QString domain()
{
    return u"gui/"_s + QString::number(::getuid());
}

QString serviceTarget()
{
    return domain() + u'/' + QLatin1StringView(LaunchAgent::label);
}

#else

const QString systemctl = u"systemctl"_s;

QString timerName()
{
    return QLatin1StringView(LaunchAgent::label) + u".timer";
}

QString serviceName()
{
    return QLatin1StringView(LaunchAgent::label) + u".service";
}

// The counterpart of launchctl's "bootout": stopped now and not started at the next login.
void bootout()
{
    run(systemctl, {u"--user"_s, u"disable"_s, u"--now"_s, timerName()});
}

#endif

} // namespace

bool LaunchAgent::isEnabled()
{
    const QVariant stored =
        Settings::open(QLatin1StringView(Settings::appDomain))->value(QLatin1StringView(enabledKey));
    return !stored.isValid() || stored.toBool();
}

QString LaunchAgent::installedExecutable()
{
    if (QCoreApplication::instance()) {
        if (const QString path = QCoreApplication::applicationFilePath(); !path.isEmpty())
            return path;
    }
#ifdef Q_OS_MACOS
    return Paths::homeDirectory() + u"/Applications/Tallyfern.app/Contents/MacOS/Tallyfern";
#else
    return Paths::homeDirectory() + u"/.local/bin/tallyfern";
#endif
}

QString LaunchAgent::serviceFileName()
{
    return Paths::configHome() + u"/systemd/user/" + QLatin1StringView(label) + u".service";
}

QString LaunchAgent::timerFileName()
{
    return Paths::configHome() + u"/systemd/user/" + QLatin1StringView(label) + u".timer";
}

QString LaunchAgent::propertyListFileName()
{
    return Paths::homeDirectory() + u"/Library/LaunchAgents/" + QLatin1StringView(label) + u".plist";
}

#ifdef Q_OS_MACOS

void LaunchAgent::install()
{
    const QString fileName = propertyListFileName();
    QDir().mkpath(QFileInfo(fileName).path());
    const auto bytes = propertyList(installedExecutable());
    if (!bytes)
        return;
    AtomicFile::write(fileName, *bytes);
    // Out first, so a second install replaces the loaded agent instead of failing beside it.
    run(launchctl, {u"bootout"_s, serviceTarget()});
    run(launchctl, {u"bootstrap"_s, domain(), fileName});
}

void LaunchAgent::uninstall()
{
    run(launchctl, {u"bootout"_s, serviceTarget()});
    QFile::remove(propertyListFileName());
}

#else

void LaunchAgent::install()
{
    // The unit may write only into these two, and only when they exist before it starts.
    AtomicFile::makePrivateFolder(Paths::supportFolder());
    AtomicFile::makePrivateFolder(Paths::settingsFolder());
    QDir().mkpath(QFileInfo(serviceFileName()).path());
    const auto service = serviceUnit(installedExecutable());
    if (!service)
        return;
    AtomicFile::write(serviceFileName(), *service);
    AtomicFile::write(timerFileName(), timerUnit());
    run(systemctl, {u"--user"_s, u"daemon-reload"_s});
    // Stopped and started again, so the timer fires at once for the executable just written.
    bootout();
    // By absolute path: the user manager may look for units under another configuration folder
    // than ours. Linking a file already in its search path changes nothing.
    run(systemctl, {u"--user"_s, u"link"_s, serviceFileName()});
    run(systemctl, {u"--user"_s, u"enable"_s, u"--now"_s, timerFileName()});
}

void LaunchAgent::uninstall()
{
    // Disabling needs the unit files to find their symlinks, so the files go last.
    bootout();
    run(systemctl, {u"--user"_s, u"disable"_s, serviceName()});
    QFile::remove(serviceFileName());
    QFile::remove(timerFileName());
}

#endif
