#include "LaunchAgent.h"
#include "LaunchAgent_p.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

// The agent as a systemd user service and timer.

using namespace Qt::StringLiterals;
using LaunchAgent::detail::run;

namespace {

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

} // namespace

QString LaunchAgent::detail::conventionalExecutable()
{
    return Paths::homeDirectory() + u"/.local/bin/tallyfern";
}

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
