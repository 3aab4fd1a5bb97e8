#include "LoginItem.h"

#include "LaunchAgent.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Preferences.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr auto desktopId = "com.local.tallyfern";

// Exec= is split like a shell line: a path with any reserved character is quoted, and inside the
// quotes '"', '`', '$' and '\' take a backslash. '%' starts a field code anywhere.
QString execWord(const QString& path)
{
    static const QString reserved = u" \t\"'\\><~|&;$*?#()`"_s;
    const bool quote = std::any_of(path.begin(), path.end(), [](QChar c) { return reserved.contains(c); });
    QString word;
    for (const QChar c : path) {
        if (c == u'%')
            word += u"%%"_s;
        else if (quote && (c == u'"' || c == u'`' || c == u'$' || c == u'\\'))
            word += u'\\' + QString(c);
        else
            word += c;
    }
    return quote ? u'"' + word + u'"' : word;
}

// Every value is a string first, where a backslash is written twice.
QString escapedValue(QString value)
{
    return value.replace(u'\\', u"\\\\"_s);
}

} // namespace

bool LoginItem::isEnabled()
{
    return Preferences::flag(Preferences::Key::trayAtLogin);
}

QString LoginItem::fileName()
{
    return Paths::configHome() + u"/autostart/" + QLatin1StringView(desktopId) + u".desktop";
}

std::optional<QByteArray> LoginItem::entry(const QString& executable)
{
    const bool control = std::any_of(executable.begin(), executable.end(),
                                     [](QChar c) { return c.unicode() < 0x20 || c == u'\x7f'; });
    if (!executable.startsWith(u'/') || control)
        return std::nullopt;
    const QString text = u"[Desktop Entry]\n"
                         u"Type=Application\n"
                         u"Name=Tallyfern\n"
                         u"Comment=Open Tallyfern in the tray\n"
                         u"Comment[zh_CN]=登录时在托盘中打开 Tallyfern\n"
                         u"Icon=tallyfern\n"
                         u"Exec="_s +
                         escapedValue(execWord(executable) + u' ' + QLatin1StringView(backgroundArgument)) +
                         u"\n"
                         u"TryExec=" +
                         escapedValue(executable) +
                         u"\n"
                         u"Terminal=false\n";
    return text.toUtf8();
}

void LoginItem::install()
{
    const auto bytes = entry(LaunchAgent::installedExecutable());
    if (!bytes)
        return;
    QDir().mkpath(QFileInfo(fileName()).path());
    AtomicFile::write(fileName(), *bytes);
}

void LoginItem::uninstall()
{
    QFile::remove(fileName());
}
