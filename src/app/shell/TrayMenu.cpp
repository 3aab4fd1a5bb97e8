#include "TrayMenu.h"

#include "AccountSwitcher.h"

#include "app/UsageStore.h"

using namespace Qt::StringLiterals;

TrayMenu::TrayMenu(UsageStore* store, QWidget* parent)
    : QMenu(parent)
    , m_store(store)
    , m_paste(addAction(u"粘贴 Cookie"_s))
    , m_refresh(addAction(u"立即刷新"_s))
    , m_pin(addAction(u"置顶"_s))
    , m_logout(addAction(u"退出登录"_s))
{
    m_accountsEnd = insertSeparator(m_paste);
    addSeparator();
    m_quit = addAction(u"退出"_s);
    m_pin->setCheckable(true);

    connect(m_paste, &QAction::triggered, this, [this] {
        Q_EMIT windowRequested();
        m_store->setShowCookieSheet(true);
    });
    // The task runs on by itself; the entry stays disabled until the store is done.
    connect(m_refresh, &QAction::triggered, this, [this] { m_store->refresh(false); });
    connect(m_pin, &QAction::triggered, m_store, &UsageStore::setPinned);
    connect(m_pin, &QAction::triggered, this, &TrayMenu::follow);
    connect(m_logout, &QAction::triggered, m_store, &UsageStore::logout);
    connect(m_quit, &QAction::triggered, this, &TrayMenu::quitRequested);
    connect(m_store, &UsageStore::changed, this, &TrayMenu::follow);
    connect(m_store, &UsageStore::accountsChanged, this, &TrayMenu::followAccounts);
    follow();
    followAccounts();
}

void TrayMenu::followAccounts()
{
    const QList<UsageStore::AccountRow> rows =
        m_store->hasSeveralAccounts() ? m_store->accountRows() : QList<UsageStore::AccountRow>();
    const qsizetype count = rows.size();
    while (m_accounts.size() > count)
        delete m_accounts.takeLast();
    for (qsizetype i = 0; i < count; ++i) {
        if (i == m_accounts.size()) {
            auto* action = new QAction(this);
            insertAction(m_accountsEnd, action);
            connect(action, &QAction::triggered, this, [this, i] {
                m_store->setCurrentAccount(i);
                Q_EMIT windowRequested();
            });
            m_accounts.append(action);
        }
        m_accounts[i]->setText(AccountSwitcher::entry(rows[i]));
    }
    m_accountsEnd->setVisible(count > 0);
}

void TrayMenu::follow()
{
    const bool refreshing = m_store->isRefreshing();
    m_refresh->setText(refreshing ? u"正在刷新…"_s : u"立即刷新"_s);
    m_refresh->setEnabled(!refreshing);
    m_pin->setChecked(m_store->isPinned());
    m_logout->setVisible(m_store->hasSession());
}
