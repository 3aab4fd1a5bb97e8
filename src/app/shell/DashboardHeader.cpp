#include "DashboardHeader.h"

#include "AccountSwitcher.h"
#include "ActionButton.h"
#include "PlatformTexts.h"
#include "SwitchToggle.h"

#include "app/UsageStore.h"
#include "app/views/PlanBadge.h"
#include "app/views/Text.h"
#include "app/views/Theme.h"
#include "model/StatusLine.h"

#include <QBoxLayout>
#include <QLabel>

using namespace Qt::StringLiterals;

DashboardHeader::DashboardHeader(UsageStore* store, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_subtitle(Text::label(QString(), Theme::font(Theme::TextStyle::caption2), Theme::white(0.50), this))
    , m_accountRow(new QWidget(this))
    // Cut short: a long e-mail must not push the buttons out of the narrowest window.
    , m_account(
          Text::eliding(QString(), Theme::font(Theme::TextStyle::caption), Theme::white(0.85), m_accountRow))
    , m_plan(new PlanBadge(QString(), true, m_accountRow))
    , m_switcher(new AccountSwitcher(store, this))
    , m_pin(new SwitchToggle(u"置顶"_s, SwitchToggle::Size::small, this))
    , m_pinCaption(Text::label(QString(), Theme::font(Theme::TextStyle::caption2), Theme::white(0.55), this))
    , m_cookie(new ActionButton(u"Cookie"_s, ActionButton::Kind::bordered, this))
    , m_refresh(new ActionButton(u"刷新"_s, ActionButton::Kind::prominent, this))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(22, 18, 22, 12);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(3);
    titles->addWidget(Text::label(u"Tallyfern"_s, Theme::font(Theme::TextStyle::title3, QFont::Bold),
                                  Theme::white(1), this));
    titles->addWidget(m_subtitle);
    // A long name gives way first: the plan stays whole.
    m_plan->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* account = new QHBoxLayout(m_accountRow);
    account->setContentsMargins(0, 2, 0, 0);
    account->setSpacing(6);
    account->addWidget(m_account);
    account->addWidget(m_plan);
    account->addStretch(1);
    titles->addWidget(m_accountRow);
    row->addLayout(titles);
    row->addStretch(1);
    row->addWidget(m_switcher);
    row->addWidget(m_pin);
    row->addWidget(m_pinCaption);
    row->addWidget(m_cookie);
    row->addWidget(m_refresh);

    connect(m_pin, &SwitchToggle::clicked, m_store, &UsageStore::setPinned);
    connect(m_pin, &SwitchToggle::clicked, this, &DashboardHeader::follow);
    connect(m_cookie, &ActionButton::clicked, this, &DashboardHeader::cookieRequested);
    // The task runs on by itself; the button stays disabled until the store is done.
    connect(m_refresh, &ActionButton::clicked, m_store, [this] { m_store->refresh(false); });
    connect(m_store, &UsageStore::changed, this, &DashboardHeader::follow);
    follow();
}

QString DashboardHeader::subtitle(const UsageSnapshot& snapshot)
{
    if (!snapshot.hasRealData || snapshot.updatedAt == Timestamp::distantPast()) {
        return PlatformTexts::keptOnThisMachine();
    }
    return u"仅本机保存 · 已更新 "_s + UsageStore::shortTime(snapshot.updatedAt);
}

QString DashboardHeader::pinCaption(bool pinned)
{
    return pinned ? u"置顶"_s : u"普通"_s;
}

QString DashboardHeader::pinToolTip(bool pinned)
{
    return pinned ? u"已置顶，点击取消"_s : u"点击后始终浮在最前"_s;
}

void DashboardHeader::follow()
{
    m_subtitle->setText(subtitle(m_store->snapshot()));
    // With one account the header is as it always was.
    const bool several = m_store->hasSeveralAccounts();
    m_accountRow->setVisible(several);
    if (several) {
        m_account->setText(m_store->accountRows().value(m_store->currentAccount()).name);
        m_plan->setText(StatusLine::plan(m_store->snapshot()));
    }
    const bool pinned = m_store->isPinned();
    m_pin->setChecked(pinned);
    m_pin->setToolTip(pinToolTip(pinned));
    m_pinCaption->setText(pinCaption(pinned));
    const bool refreshing = m_store->isRefreshing();
    m_refresh->setText(refreshing ? u"刷新中"_s : u"刷新"_s);
    m_refresh->setEnabled(!refreshing);
}
