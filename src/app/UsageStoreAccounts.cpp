// The usage store's share of several accounts: what the switcher, the tray and the settings page
// show of each, and adding, removing, labelling them and choosing the primary one.
#include "UsageStore.h"

#include "client/EditorLogin.h"
#include "client/EditorSessionError.h"
#include "refresh/AccountEnrollment.h"

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
    if (!m_accounts.isListed())
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
    const AccountEnrollment::Outcome outcome = co_await AccountEnrollment::add(std::move(pasted), service);
    if (!self)
        co_return;
    if (outcome.kind == AccountEnrollment::Outcome::Kind::refused) {
        pipeline().say(outcome.text);
        co_return;
    }
    reloadAccounts();
    const qsizetype index = std::max<qsizetype>(0, m_accounts.indexOf(outcome.account.userId));
    setCurrentAccount(index);
    // Like an import: the account then follows the editor's renewed login.
    if (followsEditor)
        SessionController::setFollowing(pipeline(), true);
    pipeline().setHasSession(true);
    pipeline().say(outcome.text);
    co_await refreshAfterSaving(&pipeline());
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
    const AccountEnrollment::Removal removal = co_await AccountEnrollment::remove(userId);
    if (!self)
        co_return;
    if (removal.kind == AccountEnrollment::Removal::Kind::removed)
        reloadAccounts();
    pipeline().say(removal.kind == AccountEnrollment::Removal::Kind::unknown ? u"没有这个账号"_s
                                                                             : removal.text);
}

void UsageStore::setPrimaryAccount(qsizetype index)
{
    if (AccountEnrollment::setPrimary(m_accounts.account(index).userId) ==
        AccountEnrollment::PrimaryChoice::made) {
        reloadAccounts();
        Q_EMIT changed();
        Q_EMIT accountsChanged();
    }
}

QString UsageStore::setAccountLabel(qsizetype index, const QString& label)
{
    const QString userId = m_accounts.account(index).userId;
    QString refusal = m_accounts.list().labelRefusal(label, userId);
    if (!refusal.isEmpty())
        return refusal;
    const bool written = AccountList::update([&](AccountList& list, AccountList::State) {
        // Checked again under the lock: another process may have taken the label meanwhile.
        Account* account = list.find(userId);
        refusal = account ? list.labelRefusal(label, userId) : u"没有这个账号"_s;
        if (!refusal.isEmpty())
            return false;
        account->label = label;
        return true;
    });
    if (!written)
        return u"无法写入账号列表"_s;
    if (!refusal.isEmpty())
        return refusal;
    reloadAccounts();
    Q_EMIT changed();
    Q_EMIT accountsChanged();
    return {};
}
