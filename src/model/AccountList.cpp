#include "AccountList.h"

#include "AccountPlace.h"
#include "AccountsLock.h"

#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

using namespace Qt::StringLiterals;

namespace {

QString text(const QJsonObject& object, QLatin1StringView key)
{
    return object.value(key).toString();
}

} // namespace

QString Account::displayName() const
{
    for (const QString& name : {label, email, name})
        if (!name.isEmpty())
            return name;
    return userId;
}

QString AccountList::fileName()
{
    return Paths::supportFolder() + u"/accounts.json"_s;
}

AccountList::Read AccountList::read()
{
    QFile file(fileName());
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return {State::broken, {}};
    const std::optional<AccountList> list = decode(file.readAll());
    return list ? Read{State::loaded, *list} : Read{State::broken, {}};
}

AccountList::Read AccountList::readHeld(const AccountsLock&)
{
    Read current = read();
    if (current.state == State::broken) {
        // Kept for a look, never read again; the home account goes on alone.
        const QString stamp = QString::number(qint64(Clock::now().msSince1970()));
        QFile::rename(fileName(), fileName() + u".broken-"_s + stamp);
        current = {};
    }
    return current;
}

bool AccountList::write(const AccountList& list, const AccountsLock&)
{
    if (list.accounts.isEmpty())
        return QFile::remove(fileName()) || !QFile::exists(fileName());
    return AtomicFile::write(fileName(), list.encode());
}

bool AccountList::update(const std::function<bool(AccountList&, State)>& change)
{
    const AccountsLock lock;
    if (!lock.isHeld())
        return false;
    Read current = readHeld(lock);
    return !change(current.list, current.state) || write(current.list, lock);
}

AccountList::Read AccountList::setAsideIfBroken()
{
    Read current = read();
    if (current.state != State::broken)
        return current;
    if (const AccountsLock lock; lock.isHeld())
        readHeld(lock);
    return read();
}

QByteArray AccountList::encode() const
{
    QJsonArray list;
    for (const Account& account : accounts) {
        QJsonObject entry{{u"userId"_s, account.userId},
                          {u"email"_s, account.email},
                          {u"name"_s, account.name},
                          {u"label"_s, account.label.isEmpty() ? QJsonValue() : QJsonValue(account.label)}};
        if (account.generation != 0)
            entry.insert(u"generation"_s, double(account.generation));
        list.append(entry);
    }
    const QJsonObject object{
        {u"primary"_s, primary}, {u"home"_s, home ? QJsonValue(*home) : QJsonValue()}, {u"accounts"_s, list}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<AccountList> AccountList::decode(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue accounts = object.value("accounts"_L1);
    const QJsonValue home = object.value("home"_L1);
    if (!accounts.isArray() || !object.value("primary"_L1).isString() || !(home.isString() || home.isNull()))
        return std::nullopt;

    AccountList list;
    list.primary = object.value("primary"_L1).toString();
    if (home.isString())
        list.home = home.toString();
    QSet<QString> ids;
    for (const QJsonValue& value : accounts.toArray()) {
        const QJsonObject entry = value.toObject();
        Account account{text(entry, "userId"_L1), text(entry, "email"_L1), text(entry, "name"_L1),
                        text(entry, "label"_L1), 0};
        // Absent in a list an earlier version wrote.
        const QJsonValue generation = entry.value("generation"_L1);
        if (generation.isDouble() && generation.toDouble() == double(qint64(generation.toDouble())))
            account.generation = qint64(generation.toDouble());
        else if (!generation.isUndefined())
            return std::nullopt;
        if (!value.isObject() || !AccountPlace::isValidUserId(account.userId) ||
            ids.contains(account.userId) || !list.labelRefusal(account.label, account.userId).isEmpty())
            return std::nullopt;
        ids.insert(account.userId);
        list.accounts.append(account);
    }
    if (list.accounts.size() > maximum || !ids.contains(list.primary) ||
        (list.home && !ids.contains(*list.home)))
        return std::nullopt;
    // A label must not name another account by its id either, whichever comes first in the file.
    for (const Account& account : std::as_const(list.accounts)) {
        if (!account.label.isEmpty() && ids.contains(account.label))
            return std::nullopt;
    }
    return list;
}

const Account* AccountList::find(const QString& userIdOrLabel) const
{
    for (const Account& account : accounts) {
        if (account.userId == userIdOrLabel)
            return &account;
    }
    for (const Account& account : accounts) {
        if (!account.label.isEmpty() && account.label == userIdOrLabel)
            return &account;
    }
    return nullptr;
}

Account* AccountList::find(const QString& userIdOrLabel)
{
    return const_cast<Account*>(std::as_const(*this).find(userIdOrLabel));
}

QString AccountList::labelRefusal(const QString& label, const QString& userId) const
{
    if (label.isEmpty())
        return {};
    if (label.size() > longestLabel)
        return u"标签最多 24 个字符"_s;
    if (label == "all"_L1)
        return u"标签不能是 all"_s;
    if (label.trimmed() != label || label.contains(u'\n'))
        return u"标签两端不能有空白"_s;
    for (const Account& account : accounts) {
        if (account.userId == label)
            return u"标签不能与账号 ID 相同"_s;
        if (account.userId != userId && account.label == label)
            return u"这个标签已被另一个账号使用"_s;
    }
    return {};
}

QString AccountList::newLabelRefusal(const QString& label, const QString& userId) const
{
    if (label.startsWith(u'-'))
        return u"标签不能以 - 开头"_s;
    return labelRefusal(label, userId);
}
