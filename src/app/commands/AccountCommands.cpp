#include "AccountCommands.h"

#include "CommandAccounts.h"
#include "CommandRunner.h"
#include "SecretInput.h"

#include "model/SnapshotStore.h"
#include "model/StatusLine.h"
#include "refresh/AccountRegistry.h"
#include "refresh/SessionAccess.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::StringLiterals;
using CommandRunner::print;

int AccountCommands::add(int& argc, char** argv)
{
    return CommandRunner::run(argc, argv, []() -> QCoro::Task<int> {
        const std::optional<QString> pasted = SecretInput::read(u"请粘贴 Cookie（输入不会显示）："_s);
        if (!pasted)
            co_return print(stderr, u"无法读取输入（最多 64 KiB）"_s, 1);
        const AccountRegistry::Outcome outcome =
            co_await AccountRegistry::add(*pasted, std::make_shared<CursorService>());
        // Said as every command-line error is.
        if (outcome.kind == AccountRegistry::Outcome::Kind::refused)
            co_return print(stderr,
                            outcome.text.startsWith(u"tallyfern："_s) ? outcome.text
                                                                      : u"tallyfern："_s + outcome.text,
                            1);
        co_return print(stdout, outcome.text, 0);
    });
}

int AccountCommands::list(int& argc, char** argv, const std::optional<QString>& format)
{
    QCoreApplication app(argc, argv);
    const bool json = format && *format == "json"_L1;
    if (format && !json && *format != "text"_L1)
        return print(stderr, u"tallyfern：--accounts 的 --format 只接受 text 或 json"_s, 2);
    const auto orNull = [](const QString& text) { return text.isEmpty() ? QJsonValue() : QJsonValue(text); };
    QJsonArray array;
    for (const CommandAccounts::Entry& entry : CommandAccounts::all(AccountRoster::read())) {
        const UsageSnapshot snapshot = SnapshotStore::loadFrom(entry.place);
        // As a refresh looks it up, without unlocking: a locked item is still a session, a token the
        // service turned away is none.
        const bool session = KeychainSession(entry.place).lookup().state != SecretLookup::State::absent;
        if (json) {
            array.append(QJsonObject{
                {u"userId"_s, orNull(entry.account.userId)},
                {u"email"_s, orNull(entry.account.email)},
                {u"name"_s, orNull(entry.account.name)},
                {u"label"_s, orNull(entry.account.label)},
                {u"plan"_s, snapshot.hasRealData ? QJsonValue(StatusLine::plan(snapshot)) : QJsonValue()},
                {u"primary"_s, entry.primary},
                {u"signedIn"_s, session}});
            continue;
        }
        const QString shownName = entry.account.label.isEmpty() ? entry.account.email : entry.account.label;
        QStringList fields{entry.account.userId.isEmpty() ? u"—"_s : entry.account.userId,
                           shownName.isEmpty() ? u"—"_s : shownName, StatusLine::plan(snapshot)};
        if (entry.primary)
            fields.append(u"主账号"_s);
        if (!session)
            fields.append(u"未登录"_s);
        print(stdout, fields.join(u" · "_s), 0);
    }
    if (json)
        print(stdout, QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact)), 0);
    return 0;
}

int AccountCommands::remove(int& argc, char** argv, const QString& account)
{
    return CommandRunner::run(argc, argv, [account]() -> QCoro::Task<int> {
        const AccountRegistry::Removal removal = co_await AccountRegistry::remove(account);
        switch (removal.kind) {
        case AccountRegistry::Removal::Kind::removed:
            co_return print(stdout, removal.text, 0);
        case AccountRegistry::Removal::Kind::unknown:
            co_return print(stderr, CommandAccounts::unknown(account), 2);
        case AccountRegistry::Removal::Kind::failed:
            break;
        }
        co_return print(stderr, removal.text, 1);
    });
}

int AccountCommands::primary(int& argc, char** argv, const QString& account)
{
    QCoreApplication app(argc, argv);
    switch (AccountRegistry::setPrimary(account)) {
    case AccountRegistry::PrimaryChoice::made:
        return 0;
    case AccountRegistry::PrimaryChoice::unknown:
        return print(stderr, CommandAccounts::unknown(account), 2);
    case AccountRegistry::PrimaryChoice::failed:
        break;
    }
    return print(stderr, u"tallyfern：无法写入账号列表"_s, 1);
}
