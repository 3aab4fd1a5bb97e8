#include "StatusCommand.h"

#include "AccountStatus.h"
#include "CommandAccounts.h"
#include "CommandRunner.h"
#include "StatusFollow.h"

#include "model/SnapshotStore.h"
#include "model/StatusLine.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::StringLiterals;
using CommandRunner::print;

namespace {

// Accounts are told apart by name only while there are several: one account's line is the plain one.
StatusLine::Named named(const CommandAccounts::Entry& entry, bool several)
{
    return {several ? entry.account.displayName() : QString(), SnapshotStore::loadFrom(entry.place)};
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

// One account named: that account alone. Otherwise the primary, with a line for each other.
QJsonObject waybar(const AccountRoster& roster, const std::optional<QString>& account,
                   const QList<CommandAccounts::Entry>& entries)
{
    const QList<CommandAccounts::Entry> shown = account ? entries : CommandAccounts::all(roster);
    std::optional<StatusLine::Named> primary;
    QList<StatusLine::Named> others;
    for (const CommandAccounts::Entry& entry : shown) {
        if (entry.primary || shown.size() == 1)
            primary = named(entry, roster.several());
        else
            others.append(named(entry, roster.several()));
    }
    const QuotaThresholds thresholds = QuotaThresholds::load();
    return others.isEmpty() ? StatusLine::waybar(primary->snapshot, thresholds)
                            : StatusLine::waybar(*primary, others, thresholds);
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

std::optional<QStringList> StatusCommand::lines(Format chosen, const std::optional<QString>& account)
{
    // Read once: a bar polls this every few seconds.
    const AccountRoster roster = AccountRoster::read();
    const std::optional<QList<CommandAccounts::Entry>> entries =
        CommandAccounts::chosen(roster, account, true);
    if (!entries)
        return std::nullopt;
    const bool every = account && *account == "all"_L1;

    QStringList lines;
    switch (chosen) {
    case Format::text:
        for (const CommandAccounts::Entry& entry : *entries)
            lines.append(every ? StatusLine::line(named(entry, roster.several()))
                               : StatusLine::text(SnapshotStore::loadFrom(entry.place)));
        break;
    case Format::json:
        if (every) {
            QJsonArray list;
            const QuotaThresholds thresholds = QuotaThresholds::load();
            for (const CommandAccounts::Entry& entry : *entries) {
                const UsageSnapshot snapshot = SnapshotStore::loadFrom(entry.place);
                list.append(AccountStatus::withBar(withAccount(StatusLine::json(snapshot), entry), snapshot,
                                                   thresholds, CommandAccounts::session(entry.place)));
            }
            // What a bar shows of them all: the Waybar form's text and class.
            const QJsonObject bar = waybar(roster, std::nullopt, *entries);
            lines.append(QString::fromUtf8(QJsonDocument(QJsonObject{{u"accounts"_s, list},
                                                                     {u"text"_s, bar.value("text"_L1)},
                                                                     {u"class"_s, bar.value("class"_L1)}})
                                               .toJson(QJsonDocument::Compact)));
        } else {
            lines.append(QString::fromUtf8(
                QJsonDocument(StatusLine::json(SnapshotStore::loadFrom(entries->constFirst().place)))
                    .toJson(QJsonDocument::Compact)));
        }
        break;
    case Format::waybar:
        lines.append(QString::fromUtf8(QJsonDocument(waybar(roster, every ? std::nullopt : account, *entries))
                                           .toJson(QJsonDocument::Compact)));
        break;
    }
    return lines;
}

int StatusCommand::run(int& argc, char** argv, const std::optional<QString>& formatName,
                       const std::optional<QString>& account, bool follow)
{
    QCoreApplication app(argc, argv);
    const auto chosen = format(formatName);
    if (!chosen)
        return print(stderr, u"tallyfern：--format 只接受 text、json 或 waybar"_s, 2);
    if (follow)
        return StatusFollow::run(*chosen, account);
    const std::optional<QStringList> output = lines(*chosen, account);
    if (!output)
        return print(stderr, CommandAccounts::unknown(*account), 2);
    for (const QString& line : *output)
        print(stdout, line, 0);
    return 0;
}
