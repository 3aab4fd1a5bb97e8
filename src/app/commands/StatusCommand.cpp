#include "StatusCommand.h"

#include "CommandAccounts.h"
#include "CommandRunner.h"

#include "desktop/StatusLine.h"
#include "model/SnapshotStore.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::StringLiterals;
using CommandRunner::print;

namespace {

StatusLine::Named named(const CommandAccounts::Entry& entry)
{
    // The home account alone has no name to show: its line is the plain one.
    const QString name = entry.account.userId.isEmpty() ? QString() : entry.account.displayName();
    return {name, SnapshotStore::loadFrom(entry.place)};
}

QJsonObject withAccount(QJsonObject object, const CommandAccounts::Entry& entry)
{
    const auto orNull = [](const QString& text) { return text.isEmpty() ? QJsonValue() : QJsonValue(text); };
    object.insert(u"userId"_s, orNull(entry.account.userId));
    object.insert(u"email"_s, orNull(entry.account.email));
    object.insert(u"label"_s, orNull(entry.account.label));
    object.insert(u"primary"_s, entry.primary);
    return object;
}

} // namespace

std::optional<StatusCommand::Format> StatusCommand::format(const std::optional<QString>& name)
{
    if (!name || *name == "text"_L1)
        return Format::text;
    if (*name == "json"_L1)
        return Format::json;
    if (*name == "waybar"_L1)
        return Format::waybar;
    return std::nullopt;
}

int StatusCommand::run(int& argc, char** argv, const std::optional<QString>& formatName,
                       const std::optional<QString>& account)
{
    QCoreApplication app(argc, argv);
    const auto chosen = format(formatName);
    if (!chosen)
        return print(stderr, u"tallyfern: --format 只接受 text、json 或 waybar"_s, 2);
    // Read once: a bar polls this every few seconds.
    const AccountList::Read read = AccountList::read();
    const std::optional<QList<CommandAccounts::Entry>> entries = CommandAccounts::chosen(read, account, true);
    if (!entries)
        return print(stderr, CommandAccounts::unknown(*account), 2);
    const bool every = account && *account == "all"_L1;

    QStringList lines;
    switch (*chosen) {
    case Format::text:
        for (const CommandAccounts::Entry& entry : *entries)
            lines.append(every ? StatusLine::line(named(entry)) : StatusLine::text(named(entry).snapshot));
        break;
    case Format::json:
        if (every) {
            QJsonArray list;
            for (const CommandAccounts::Entry& entry : *entries)
                list.append(withAccount(StatusLine::json(named(entry).snapshot), entry));
            lines.append(QString::fromUtf8(
                QJsonDocument(QJsonObject{{u"accounts"_s, list}}).toJson(QJsonDocument::Compact)));
        } else {
            lines.append(
                QString::fromUtf8(QJsonDocument(StatusLine::json(named(entries->constFirst()).snapshot))
                                      .toJson(QJsonDocument::Compact)));
        }
        break;
    case Format::waybar: {
        // One account named: that account alone. Otherwise the primary, with a line for each other.
        const QList<CommandAccounts::Entry> shown = account && !every ? *entries : CommandAccounts::all(read);
        std::optional<StatusLine::Named> primary;
        QList<StatusLine::Named> others;
        for (const CommandAccounts::Entry& entry : shown) {
            if (entry.primary || shown.size() == 1)
                primary = named(entry);
            else
                others.append(named(entry));
        }
        const QuotaThresholds thresholds = QuotaThresholds::load();
        const QJsonObject object = others.isEmpty() ? StatusLine::waybar(primary->snapshot, thresholds)
                                                    : StatusLine::waybar(*primary, others, thresholds);
        lines.append(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
        break;
    }
    }
    for (const QString& line : std::as_const(lines))
        print(stdout, line, 0);
    return 0;
}
