#include "TrayMenu.h"

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
    follow();
}

void TrayMenu::follow()
{
    const bool refreshing = m_store->isRefreshing();
    m_refresh->setText(refreshing ? u"正在刷新…"_s : u"立即刷新"_s);
    m_refresh->setEnabled(!refreshing);
    m_pin->setChecked(m_store->isPinned());
    m_logout->setVisible(m_store->hasSession());
}
