#include "LaunchAgent.h"

#include "platform/Paths.h"

using namespace Qt::StringLiterals;

namespace {

// systemd refuses a program path holding any of these, even quoted and escaped.
bool isSafeProgramPath(const QString& path)
{
    for (const QChar c : path) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == u'\\' || c == u'"' || c == u'\'')
            return false;
    }
    return true;
}

// The program word is taken literally but for "%" specifiers, which are expanded in the whole line
// before it is split.
QString quotedProgram(const QString& path)
{
    QString quoted = path;
    quoted.replace(u'%', u"%%"_s);
    return u'"' + quoted + u'"';
}

// An argument word also goes through C unescaping and, when the command runs, "$" substitution.
QString quotedArgument(const QString& text)
{
    QString quoted = u"\""_s;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (c == u'\\' || c == u'"')
            quoted += u'\\' + QString(c);
        else if (c == u'%')
            quoted += u"%%"_s;
        else if (c == u'$')
            quoted += u"$$"_s;
        else if (code < 0x20 || code == 0x7f)
            quoted += u"\\x"_s + QString::number(int(code), 16).rightJustified(2, u'0');
        else
            quoted += c;
    }
    return quoted + u'"';
}

// A quoted word of Environment= or ReadWritePaths=, where backslash escapes and "%" specifiers
// apply. Nothing for control characters, which the manager refuses in both.
std::optional<QString> quotedWord(const QString& text)
{
    QString quoted = u"\""_s;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return std::nullopt;
        if (c == u'\\' || c == u'"')
            quoted += u'\\';
        quoted += c == u'%' ? u"%%"_s : QString(c);
    }
    return quoted + u'"';
}

// The folders the app resolved, so the refresh reads and writes the app's files whatever
// environment the user manager has; then the confinement: the home read-only but for the app's
// two folders (both exist, 0700, before the unit is installed), no devices, no kernel or
// namespace tricks, network only through local and internet sockets. A user manager applies the
// file system settings only inside a user namespace, hence PrivateUsers=yes.
std::optional<QString> serviceSettings()
{
    const auto dataHome = quotedWord(u"XDG_DATA_HOME="_s + Paths::dataHome());
    const auto configHome = quotedWord(u"XDG_CONFIG_HOME="_s + Paths::configHome());
    const auto support = quotedWord(u'-' + Paths::supportFolder());
    const auto settings = quotedWord(u'-' + Paths::settingsFolder());
    if (!dataHome || !configHome || !support || !settings)
        return std::nullopt;
    return u"Environment="_s + *dataHome + u' ' + *configHome +
           u"\n"
           // Executable memory is denied below, so Qt's regular expressions skip their JIT.
           u"Environment=QT_ENABLE_REGEXP_JIT=0\n"
           u"PrivateUsers=yes\n"
           u"NoNewPrivileges=yes\n"
           u"UMask=0077\n"
           u"PrivateTmp=yes\n"
           u"PrivateDevices=yes\n"
           u"PrivateIPC=yes\n"
           u"PrivateMounts=yes\n"
           u"ProtectSystem=strict\n"
           u"ProtectHome=read-only\n"
           u"ReadWritePaths="_s +
           *support + u' ' + *settings +
           u"\n"
           u"ProtectKernelTunables=yes\n"
           u"ProtectKernelModules=yes\n"
           u"ProtectKernelLogs=yes\n"
           u"ProtectClock=yes\n"
           u"ProtectHostname=yes\n"
           u"RestrictAddressFamilies=AF_UNIX AF_INET AF_INET6\n"
           u"RestrictNamespaces=yes\n"
           u"RestrictRealtime=yes\n"
           u"RestrictSUIDSGID=yes\n"
           u"LockPersonality=yes\n"
           u"MemoryDenyWriteExecute=yes\n"
           u"CapabilityBoundingSet=\n"
           u"KeyringMode=private\n"
           u"SystemCallArchitectures=native\n"
           u"SystemCallFilter=@system-service\n"
           u"SystemCallFilter=~@privileged @resources\n"
           // A refused call fails like any other error instead of killing the refresh.
           u"SystemCallErrorNumber=EPERM\n";
}

// Once the program is gone (the package removed) the unit is skipped instead of failing every
// 180 s. A path a unit line cannot carry as it is goes without the check.
QString programCondition(const QString& path)
{
    if (!isSafeProgramPath(path))
        return {};
    return u"ConditionPathExists="_s + QString(path).replace(u'%', u"%%"_s) + u'\n';
}

} // namespace

std::optional<QString> LaunchAgent::execStart(const QString& executable)
{
    if (!executable.startsWith(u'/') || executable.contains(QChar(0)))
        return std::nullopt;
    if (isSafeProgramPath(executable))
        return quotedProgram(executable) + u" --refresh";
    // A path systemd will not run directly becomes an argument of the shell, where every character
    // can be written.
    return u"/bin/sh -c "_s + quotedArgument(u"exec \"$0\" --refresh"_s) + u' ' + quotedArgument(executable);
}

std::optional<QByteArray> LaunchAgent::serviceUnit(const QString& executable)
{
    const auto command = execStart(executable);
    const auto settings = serviceSettings();
    if (!command || !settings)
        return std::nullopt;
    const QString text = u"[Unit]\n"
                         u"Description=Tallyfern 后台刷新用量\n"_s +
                         programCondition(executable) +
                         u"\n"
                         u"[Service]\n"
                         u"Type=oneshot\n"
                         // A run that hangs is stopped, or the timer would never start another.
                         u"TimeoutStartSec=5min\n"
                         u"ExecStart="_s +
                         *command +
                         u"\n"
                         u"StandardOutput=null\n"
                         u"StandardError=null\n"
                         // A crash leaves no core dump holding the cookie.
                         u"LimitCORE=0\n"_s +
                         *settings;
    return text.toUtf8();
}

QByteArray LaunchAgent::timerUnit()
{
    // OnActiveSec=0 fires as soon as the timer starts (at login and at every install); the default
    // accuracy of one minute would let the 180 s drift by up to a third.
    const QString text = u"[Unit]\n"
                         u"Description=Tallyfern 每 %1 秒刷新一次用量\n"
                         u"\n"
                         u"[Timer]\n"
                         u"OnActiveSec=0\n"
                         u"OnUnitActiveSec=%1\n"
                         u"AccuracySec=1s\n"
                         u"\n"
                         u"[Install]\n"
                         u"WantedBy=timers.target\n"_s.arg(intervalSeconds);
    return text.toUtf8();
}
