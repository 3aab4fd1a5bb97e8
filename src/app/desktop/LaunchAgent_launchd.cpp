#include "LaunchAgent.h"
#include "LaunchAgent_p.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

// The agent as a launchd agent in the user's gui domain.

using namespace Qt::StringLiterals;
using LaunchAgent::detail::run;

namespace {

const QString launchctl = u"/bin/launchctl"_s;

QString domain()
{
    return u"gui/"_s + QString::number(::getuid());
}

QString serviceTarget()
{
    return domain() + u'/' + QLatin1StringView(LaunchAgent::label);
}

} // namespace

QString LaunchAgent::detail::conventionalExecutable()
{
    return Paths::homeDirectory() + u"/Applications/Tallyfern.app/Contents/MacOS/Tallyfern";
}

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
