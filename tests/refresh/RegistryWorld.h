#pragma once

#include "EditorDatabase.h"
#include "RefreshTesting.h"

#include "client/EditorLogin.h"
#include "client/EditorSession.h"
#include "model/SnapshotStore.h"
#include "platform/MemorySecretStore.h"
#include "platform/Paths.h"
#include "refresh/AccountRegistry.h"

#include <QFile>
#include <QLockFile>

using Arrival = AccountRegistry::Arrival;

// The accounts as a table names them, without any file: "alone" (no list, the home account's user
// never named), "alone user_a" (no list, the home account recorded), "empty" (its account removed),
// "user_a* user_b" (listed, the starred one in the home place; none starred: the home place empty),
// "eight" (eight listed, user_0 at home).
inline AccountRoster rosterOf(const QString& text)
{
    HomeRecord home;
    home.generation = 7;
    if (text == u"alone")
        return AccountRoster::of({}, home);
    if (text.startsWith(u"alone "_s)) {
        home.userId = text.section(u' ', 1);
        return AccountRoster::of({}, home);
    }
    if (text == u"empty") {
        home.userId = QString();
        return AccountRoster::of({}, home);
    }
    QStringList ids = text.split(u' ');
    if (text == u"eight") {
        ids = {u"user_0*"_s};
        for (int i = 1; i < AccountList::maximum; ++i)
            ids.append(u"user_"_s + QString::number(i));
    }
    AccountList list;
    for (QString id : std::as_const(ids)) {
        if (id.endsWith(u'*')) {
            id.chop(1);
            list.home = id;
        }
        list.accounts.append({id, id + u"@example.com"_s, {}, {}, 40 + list.accounts.size()});
    }
    list.primary = list.accounts.constFirst().userId;
    return AccountRoster::of({AccountList::State::loaded, list}, home);
}

inline QString placeText(const AccountPlace& place)
{
    return place.home ? u"home"_s : place.userId;
}

inline QString routeText(const AccountRegistry::Route& route)
{
    using Kind = AccountRegistry::Route::Kind;
    switch (route.kind) {
    case Kind::replace:
        return u"replace "_s + placeText(route.place);
    case Kind::update:
        return u"update "_s + placeText(route.place);
    case Kind::addHome:
        return route.replacesUnknown ? u"add home, files aside"_s : u"add home"_s;
    case Kind::addBeside:
        return u"add beside"_s;
    case Kind::identifyHome:
        return u"identify home"_s;
    case Kind::refuse:
        break;
    }
    return route.refusal.isEmpty() ? u"nothing"_s : u"refuse: "_s + route.refusal;
}

inline Arrival arrivalNamed(const QString& name)
{
    static const QHash<QString, Arrival> arrivals{{u"paste"_s, Arrival::paste},
                                                  {u"import"_s, Arrival::import},
                                                  {u"follow"_s, Arrival::follow},
                                                  {u"add"_s, Arrival::add}};
    return arrivals.value(name);
}

// A table row's steps, run in order against files and an in-memory keyring (step() spells each
// out): the service says token "x" is user "user_x", "x@example.com", and "team::x" is "user_x" too;
// "plant TOKEN" leaves the home item as an install from before accounts did, with no record.
struct RegistryWorld
{
    TestEnvironment env;
    MemorySecretStore secrets;
    std::optional<QLockFile> listLock;
    std::optional<FullDisk> disk;
    std::shared_ptr<ScriptedService> service = std::make_shared<ScriptedService>();

    RegistryWorld()
    {
        env.setNow(u"2026-04-20T10:00:00+08:00"_s);
        SecretStore::setCurrent(&secrets);
        service->journal = std::make_shared<Journal>();
        EditorSession::setDatabasePath(env.root() + u"/editor/state.vscdb"_s);
        for (const QString& token : {u"a"_s, u"b"_s, u"team::b"_s, u"c"_s})
            service->identities.insert(token,
                                       {1, u"user_"_s + token.back(), token.back() + u"@example.com"_s, {}});
    }
    ~RegistryWorld()
    {
        EditorSession::setDatabasePath({});
        SecretStore::setCurrent(nullptr);
    }

    QString step(const QString& step)
    {
        const QString argument = step.section(u' ', 1);
        if (step.startsWith(u"add "_s))
            return await(AccountRegistry::add(argument, service)).text;
        if (step.startsWith(u"paste "_s))
            return said(await(AccountRegistry::receive(Arrival::paste, argument, {}, service)));
        if (step.startsWith(u"import "_s)) {
            EditorDatabase(EditorSession::databasePath())
                .setLogin(EditorDatabase::jwt(argument, 4'000'000'000));
            const EditorSession::Login login = EditorLogin::current();
            return said(await(AccountRegistry::receive(Arrival::import, login.token, login.userId, service)));
        }
        if (step.startsWith(u"remove "_s))
            return await(AccountRegistry::remove(argument)).text;
        if (step.startsWith(u"primary "_s)) // made, unknown, failed
            return u"primary unknown failed"_s.split(u' ').at(int(AccountRegistry::setPrimary(argument)));
        if (step.startsWith(u"label "_s))
            return AccountRegistry::setLabel(argument.section(u' ', 0, 0), argument.section(u' ', 1));
        if (step == u"lock")
            secrets.setLocked(true);
        else if (step == u"expired")
            service->identifyAnswer = ScriptedService::Answer::unauthorized;
        else if (step.startsWith(u"reject "_s))
            service->turnedAway.append(argument);
        else if (step.startsWith(u"plant "_s))
            secrets.write(argument);
        else if (step == u"hold")
            listLock.emplace(Paths::supportFolder() + u"/accounts.lock"_s).lock();
        else if (step == u"full")
            disk.emplace(40); // shorter than any list of two

        else
            qFatal("no step %s", qPrintable(step));
        return {};
    }

    static QString said(const AccountRegistry::Outcome& outcome)
    {
        return outcome.kind == AccountRegistry::Outcome::Kind::stored
                   ? u"stored in "_s + placeText(outcome.place)
                   : outcome.text;
    }

    // "none" without accounts.json; else "home ID, primary ID: ID ID …"; then the home record.
    static QString list()
    {
        const AccountRoster roster = AccountRoster::read();
        QString text = u"none"_s;
        if (roster.isListed()) {
            QStringList ids;
            for (const Account& account : roster.list.accounts)
                ids.append(account.userId);
            text = u"home %1, primary %2: %3"_s.arg(roster.list.home.value_or(u"-"_s), roster.list.primary,
                                                    ids.join(u' '));
        }
        const std::optional<QString> home = roster.home.userId;
        return text + u" / "_s + (!home ? u"unknown"_s : home->isEmpty() ? u"removed"_s : *home);
    }

    // The tokens stored: the home item's, then each other account's as "ID=token".
    QString tokens()
    {
        disk.reset();
        secrets.setLocked(false); // to read them
        QStringList stored{secrets.read().value_or(u"-"_s)};
        for (const QString& id : {u"user_a"_s, u"user_b"_s, u"user_c"_s}) {
            if (const auto token = secrets.read(SecretKey::account(id)))
                stored.append(id + u'=' + *token);
        }
        return stored.join(u' ');
    }
};
