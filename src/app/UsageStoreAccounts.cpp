// The usage store's share of several accounts: what the switcher, the tray and the settings page
// show of each, and adding, removing, labelling them and choosing the primary one.
#include "UsageStore.h"

#include "client/EditorLogin.h"
#include "client/EditorSessionError.h"
#include "model/StatusLine.h"
#include "refresh/AccountPipelines.h"
#include "refresh/AccountRegistry.h"
#include "refresh/SessionController.h"

#include <algorithm>

using namespace Qt::StringLiterals;

QList<UsageStore::AccountRow> UsageStore::accountRows() const
{
    const qsizetype primary = m_accounts->primaryIndex();
    QList<AccountRow> rows;
    for (qsizetype i = 0; i < m_accounts->size(); ++i) {
        const Account& account = m_accounts->account(i);
        const RefreshPipeline& pipeline = m_accounts->pipeline(i);
        const UsageSnapshot& snapshot = pipeline.snapshot();
        QString summary = u"未登录"_s;
        if (pipeline.hasSession())
            summary = snapshot.hasRealData ? u"剩余 %1%"_s.arg(snapshot.remainingPercent()) : u"暂无数据"_s;
        rows.append({account.userId, account.displayName(), account.label, StatusLine::plan(snapshot),
                     summary, snapshot, pipeline.hasSession(), i == primary, i == m_current,
                     !m_editorUserId.isEmpty() && account.userId == m_editorUserId});
    }
    return rows;
}

bool UsageStore::hasSeveralAccounts() const
{
    return m_accounts->several();
}

void UsageStore::reloadAccounts()
{
    const QString current = m_accounts->account(m_current).userId;
    m_accounts->reload();
    const qsizetype kept = m_accounts->indexOf(current);
    m_current = kept >= 0 ? kept : std::min(m_current, m_accounts->size() - 1);
    connectPipelines();
    readEditorUser();
}

void UsageStore::setCurrentAccount(qsizetype index)
{
    if (index < 0 || index >= m_accounts->size() || index == m_current)
        return;
    m_current = index;
    Q_EMIT changed();
    Q_EMIT accountsChanged();
}

void UsageStore::readEditorUser()
{
    m_editorUserId.clear();
    // With one account nobody asks.
    if (!m_accounts->several())
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
    const qsizetype index = std::max<qsizetype>(0, m_accounts->indexOf(outcome.place));
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

QCoro::Task<> UsageStore::removeAccount(QString userId)
{
    QPointer<UsageStore> self(this);
    const AccountRegistry::Removal removal = co_await AccountRegistry::remove(userId);
    if (!self)
        co_return;
    // Removed, or its refreshes fenced off before the removal stopped: either way read again.
    reloadAccounts();
    pipeline().say(removal.kind == AccountRegistry::Removal::Kind::unknown ? u"没有这个账号"_s
                                                                           : removal.text);
}

void UsageStore::setPrimaryAccount(const QString& userId)
{
    if (AccountRegistry::setPrimary(userId) == AccountRegistry::PrimaryChoice::made) {
        reloadAccounts();
        Q_EMIT changed();
        Q_EMIT accountsChanged();
    }
}

QString UsageStore::setAccountLabel(const QString& userId, const QString& label)
{
    const QString refusal = AccountRegistry::setLabel(userId, label);
    if (!refusal.isEmpty())
        return refusal;
    reloadAccounts();
    Q_EMIT changed();
    Q_EMIT accountsChanged();
    return {};
}
