#include "TopBarExtension.h"

#include "platform/ProcessRunner.h"

#include <QRegularExpression>
#include <QStandardPaths>
#include <QSystemTrayIcon>

using namespace Qt::StringLiterals;

namespace {

const TopBarExtension::Host* replacement = nullptr;

const QString schema = u"org.gnome.shell"_s;
const QString enabledKey = u"enabled-extensions"_s;
// Wins over the enabled list: the shell runs neither an extension listed here.
const QString disabledKey = u"disabled-extensions"_s;

QString id()
{
    return QString::fromLatin1(TopBarExtension::uuid);
}

// A list as gsettings prints it: ['a@b.c', 'tallyfern@tallyfern.local'], or @as [] when empty.
QStringList list(const QString& key)
{
    const std::optional<QByteArray> printed =
        ProcessRunner::current().output(u"gsettings"_s, {u"get"_s, schema, key});
    QStringList items;
    if (!printed)
        return items;
    static const QRegularExpression quoted(u"'([^']*)'"_s);
    for (const QRegularExpressionMatch& match : quoted.globalMatch(QString::fromUtf8(*printed)))
        items.append(match.captured(1));
    return items;
}

void setList(const QString& key, const QStringList& items)
{
    QStringList quoted;
    for (const QString& item : items)
        quoted.append(u'\'' + item + u'\'');
    ProcessRunner::current().run(u"gsettings"_s, {u"set"_s, schema, key, u'[' + quoted.join(u", "_s) + u']'});
}

// The shell loads the extensions it finds when it starts: one installed since is unknown to it.
bool shellHasIt()
{
    const std::optional<QByteArray> info = ProcessRunner::current().output(
        u"gdbus"_s, {u"call"_s, u"--session"_s, u"--timeout"_s, u"5"_s, u"--dest"_s, u"org.gnome.Shell"_s,
                     u"--object-path"_s, u"/org/gnome/Shell"_s, u"--method"_s,
                     u"org.gnome.Shell.Extensions.GetExtensionInfo"_s, id()});
    // No shell to ask: nothing to wait for either.
    return !info || info->contains("'uuid'");
}

} // namespace

TopBarExtension::Host TopBarExtension::host()
{
    if (replacement)
        return *replacement;
    Host found;
    found.gnome = qEnvironmentVariable("XDG_CURRENT_DESKTOP")
                      .split(u':', Qt::SkipEmptyParts)
                      .contains(u"GNOME"_s, Qt::CaseInsensitive);
    found.tray = QSystemTrayIcon::isSystemTrayAvailable();
    found.installed = !QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                              u"gnome-shell/extensions/"_s + id() + u"/metadata.json"_s)
                           .isEmpty();
    return found;
}

void TopBarExtension::setHost(const Host* host)
{
    replacement = host;
}

bool TopBarExtension::offered()
{
    const Host found = host();
    return found.gnome && !found.tray && found.installed;
}

TopBarExtension::State TopBarExtension::state()
{
    if (!list(enabledKey).contains(id()) || list(disabledKey).contains(id()))
        return State::off;
    return shellHasIt() ? State::on : State::afterLogin;
}

TopBarExtension::State TopBarExtension::setEnabled(bool enabled)
{
    if (ProcessRunner::current().run(u"gnome-extensions"_s, {enabled ? u"enable"_s : u"disable"_s, id()}) !=
        0) {
        // The running shell turns away an extension it does not know: the lists it reads at the next
        // login then say what the user chose.
        QStringList listed = list(enabledKey);
        listed.removeAll(id());
        if (enabled)
            listed.append(id());
        setList(enabledKey, listed);
        if (QStringList off = list(disabledKey); enabled && off.removeAll(id()) > 0)
            setList(disabledKey, off);
    }
    return state();
}
