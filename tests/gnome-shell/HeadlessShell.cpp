#include "HeadlessShell.h"

#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

#include <cstring>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString shellName = u"org.gnome.Shell"_s;
const QString shellPath = u"/org/gnome/Shell"_s;
// On the system bus the shell looks for logind; without it, it aborts at start-up.
const QString logindName = u"org.freedesktop.login1"_s;

// Ends a process this test started, by its own id.
void stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(process.processId()), SIGTERM);
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

// Waits for `ready` with the event loop running, up to `ms`.
template <typename Ready>
bool waitFor(Ready ready, int ms)
{
    const QDeadlineTimer deadline(ms);
    while (!ready()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(100);
    }
    return true;
}

} // namespace

HeadlessShell::~HeadlessShell()
{
    stop(m_shell);
    stop(m_logind);
    stop(m_systemBus);
}

bool HeadlessShell::startSystemBus()
{
    // An ordinary bus serves as the system bus: nothing on it needs the system bus's policy.
    m_systemBus.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
    if (!m_systemBus.waitForReadyRead(10'000)) {
        m_problem = u"dbus-daemon did not start"_s;
        return false;
    }
    const QString address = QString::fromUtf8(m_systemBus.readLine()).trimmed();
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.toUtf8());

    // Debian's own Python, where python3-dbusmock is installed, whatever else is on the PATH.
    m_logind.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_logind.setStandardOutputFile(QProcess::nullDevice());
    m_logind.start(u"/usr/bin/python3"_s,
                   {u"-m"_s, u"dbusmock"_s, u"--system"_s, u"--template"_s, u"logind"_s});
    const QDBusConnection system = QDBusConnection::connectToBus(address, u"headless-system-bus"_s);
    const bool registered =
        waitFor([&] { return system.interface()->isServiceRegistered(logindName).value(); }, 20'000);
    QDBusConnection::disconnectFromBus(u"headless-system-bus"_s);
    if (!registered)
        m_problem = u"no fake logind (python3-dbusmock)"_s;
    return registered;
}

bool HeadlessShell::start(const QStringList& extensions, const QString& awaited, const QString& binFolder,
                          const QString& logFile)
{
    if (!startSystemBus())
        return false;
    // The settings in a key file under $XDG_CONFIG_HOME, for this process's gsettings and the shell
    // alike, rather than dconf's database wherever its service was started.
    QStringList quoted;
    for (const QString& uuid : extensions)
        quoted.append(u'\'' + uuid + u'\'');
    if (QProcess::execute(u"gsettings"_s, {u"set"_s, u"org.gnome.shell"_s, u"enabled-extensions"_s,
                                           u'[' + quoted.join(u", "_s) + u']'}) != 0) {
        m_problem = u"gsettings failed"_s;
        return false;
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"PATH"_s, binFolder + u':' + environment.value(u"PATH"_s));
    environment.remove(u"DISPLAY"_s);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    m_shell.setProcessEnvironment(environment);
    // It crashes when stopped: no core file.
    m_shell.setChildProcessModifier([] {
        const rlimit none{0, 0};
        ::setrlimit(RLIMIT_CORE, &none);
    });
    m_shell.setProcessChannelMode(QProcess::MergedChannels);
    m_logFile = logFile;
    m_shell.setStandardOutputFile(logFile);
    m_shell.start(u"gnome-shell"_s,
                  {u"--headless"_s, u"--wayland"_s, u"--no-x11"_s, u"--virtual-monitor"_s, u"1280x800"_s});
    if (!m_shell.waitForStarted(10'000)) {
        m_problem = u"gnome-shell did not start"_s;
        return false;
    }
    const bool active = waitFor(
        [&] {
            return m_shell.state() == QProcess::NotRunning ||
                   !extensionInfo(awaited).value(u"error"_s).toString().isEmpty() ||
                   extensionState(awaited) == enabled;
        },
        60'000);
    if (!active || extensionState(awaited) != enabled) {
        QFile log(logFile);
        const QByteArray said = log.open(QIODevice::ReadOnly) ? log.readAll().right(4000) : QByteArray();
        m_problem = u"%1 not enabled: %2\n%3"_s.arg(
            awaited, extensionInfo(awaited).value(u"error"_s).toString(), QString::fromUtf8(said));
        return false;
    }
    return true;
}

QVariantMap HeadlessShell::extensionInfo(const QString& uuid) const
{
    QDBusInterface extensions(shellName, shellPath, u"org.gnome.Shell.Extensions"_s);
    const QDBusReply<QVariantMap> reply = extensions.call(u"GetExtensionInfo"_s, uuid);
    return reply.isValid() ? reply.value() : QVariantMap();
}

int HeadlessShell::extensionState(const QString& uuid) const
{
    return int(extensionInfo(uuid).value(u"state"_s).toDouble());
}

QJsonValue HeadlessShell::eval(const QString& code) const
{
    QDBusInterface shell(shellName, shellPath, shellName);
    const QDBusMessage reply = shell.call(u"Eval"_s, code);
    const QList<QVariant> values = reply.arguments();
    if (values.size() != 2 || !values[0].toBool()) {
        qWarning("Eval: %s", qPrintable(values.value(1).toString()));
        return QJsonValue(QJsonValue::Undefined);
    }
    // The value alone is no JSON document: in a list it is.
    return QJsonDocument::fromJson('[' + values[1].toString().toUtf8() + ']').array().first();
}

QImage HeadlessShell::screenshot(const QRect& area, const QString& fileName) const
{
    QDBusInterface screenshot(u"org.gnome.Shell.Screenshot"_s, u"/org/gnome/Shell/Screenshot"_s,
                              u"org.gnome.Shell.Screenshot"_s);
    const QDBusMessage reply = screenshot.call(u"ScreenshotArea"_s, area.x(), area.y(), area.width(),
                                               area.height(), false, fileName);
    const QList<QVariant> values = reply.arguments();
    if (values.size() != 2 || !values[0].toBool())
        return {};
    return QImage(values[1].toString());
}

bool HeadlessShell::watches(const QString& path) const
{
    struct stat status
    {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    // Each watch of an inotify descriptor is a line "inotify wd:… ino:<inode in hex> sdev:…".
    const QString inode = u" ino:"_s + QString::number(status.st_ino, 16) + u' ';
    const QString process = u"/proc/%1"_s.arg(pid());
    QDirIterator descriptors(process + u"/fd"_s, QDir::System | QDir::Files);
    while (descriptors.hasNext()) {
        const QString descriptor = descriptors.next();
        char target[64] = {};
        if (::readlink(QFile::encodeName(descriptor).constData(), target, sizeof target - 1) < 0 ||
            std::strcmp(target, "anon_inode:inotify") != 0)
            continue;
        QFile info(process + u"/fdinfo/"_s + descriptors.fileName());
        if (info.open(QIODevice::ReadOnly) && QString::fromUtf8(info.readAll()).contains(inode))
            return true;
    }
    return false;
}

QString HeadlessShell::log() const
{
    QFile file(m_logFile);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
