// The usage store's share of several accounts: what the switcher, the tray and the settings page
// show of each, and adding, removing, labelling them and choosing the primary one.
#include "UsageStore.h"

#include "client/EditorLogin.h"
#include "client/EditorSessionError.h"
#include "refresh/AccountRegistry.h"

#include <algorithm>

using namespace Qt::StringLiterals;

QString UsageStore::accountName(qsizetype index) const
{
    return m_accounts.account(index).displayName();
}

QString UsageStore::accountSummary(qsizetype index) const
{
    if (!accountSignedIn(index))
        return u"未登录"_s;
    const UsageSnapshot& snapshot = accountSnapshot(index);
    if (!snapshot.hasRealData)
        return u"暂无数据"_s;
    return u"剩余 %1%"_s.arg(snapshot.remainingPercent());
}

qsizetype UsageStore::editorAccount() const
{
    return m_accounts.indexOf(m_editorUserId);
}

void UsageStore::readEditorUser()
{
    m_editorUserId.clear();
    // With one account nobody asks.
    if (!m_accounts.several())
        return;
    try {
        m_editorUserId = EditorLogin::current().userId;
    } catch (const EditorSessionError&) {
        // Signed out, turned away or unreadable: no account's.
    }
}

QCoro::Task<> UsageStore::enrolled(QString pasted, bool followsEditor)
{
    QPointer<UsageStore> self(this);
    const std::shared_ptr<UsageService> service = pipeline().edges().service;
    const AccountRegistry::Outcome outcome = co_await AccountRegistry::add(std::move(pasted), service);
    if (!self)
        co_return;
    if (outcome.kind == AccountRegistry::Outcome::Kind::refused) {
        pipeline().say(outcome.text);
        co_return;
    }
    reloadAccounts();
    const qsizetype index = std::max<qsizetype>(0, m_accounts.indexOf(outcome.place));
    setCurrentAccount(index);
    // Like an import: the account then follows the editor's renewed login.
    if (followsEditor)
        SessionController::setFollowing(pipeline(), true);
    pipeline().setHasSession(true);
    pipeline().say(outcome.text);
    co_await refreshAfterSaving(outcome.place);
}

QCoro::Task<> UsageStore::addAccount(QString pastedText)
{
    co_await enrolled(std::move(pastedText));
}

QCoro::Task<> UsageStore::addEditorAccount()
{
    QString token;
    try {
        token = EditorLogin::current().token;
    } catch (const EditorSessionError& error) {
        pipeline().say(error.description());
        co_return;
    }
    co_await enrolled(std::move(token), true);
}

QCoro::Task<> UsageStore::removeAccount(qsizetype index)
{
    QPointer<UsageStore> self(this);
    const QString userId = m_accounts.account(index).userId;
    const AccountRegistry::Removal removal = co_await AccountRegistry::remove(userId);
    if (!self)
        co_return;
    // Removed, or its refreshes fenced off before the removal stopped: either way read again.
    reloadAccounts();
    pipeline().say(removal.kind == AccountRegistry::Removal::Kind::unknown ? u"没有这个账号"_s
                                                                           : removal.text);
}

void UsageStore::setPrimaryAccount(qsizetype index)
{
    if (AccountRegistry::setPrimary(m_accounts.account(index).userId) ==
        AccountRegistry::PrimaryChoice::made) {
        reloadAccounts();
        Q_EMIT changed();
        Q_EMIT accountsChanged();
    }
}

QString UsageStore::setAccountLabel(qsizetype index, const QString& label)
{
    const QString refusal = AccountRegistry::setLabel(m_accounts.account(index).userId, label);
    if (!refusal.isEmpty())
        return refusal;
    reloadAccounts();
    Q_EMIT changed();
    Q_EMIT accountsChanged();
    return {};
}
