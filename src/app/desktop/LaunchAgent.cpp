#include "LaunchAgent.h"
#include "LaunchAgent_p.h"

#include "platform/Paths.h"
#include "platform/Preferences.h"
#include "platform/ProcessRunner.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

void LaunchAgent::detail::run(const QString& program, const QStringList& arguments)
{
    // The status says nothing useful here: stopping an agent that is not loaded fails harmlessly,
    // and a failed start is retried at the next launch of the app.
    ProcessRunner::current().run(program, arguments);
}

bool LaunchAgent::isEnabled()
{
    return Preferences::flag(Preferences::Key::backgroundRefresh);
}

QString LaunchAgent::installedExecutable()
{
    if (QCoreApplication::instance()) {
        if (const QString path = QCoreApplication::applicationFilePath(); !path.isEmpty())
            return path;
    }
    return detail::conventionalExecutable();
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
