#include "LaunchAgent.h"

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
    if (!command)
        return std::nullopt;
    const QString text = u"[Unit]\n"
                         u"Description=Tallyfern 后台刷新用量\n"_s +
                         programCondition(executable) +
                         u"\n"
                         u"[Service]\n"
                         u"Type=oneshot\n"
                         u"ExecStart="_s +
                         *command +
                         u"\n"
                         u"StandardOutput=null\n"
                         u"StandardError=null\n"_s;
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
