#include "SettingsPage.h"

#include "AccountsSection.h"
#include "ActionButton.h"
#include "AddAccountSheet.h"
#include "CookieEntry.h"
#include "DestructiveQuestion.h"
#include "OnDemandAmountRow.h"
#include "PasteField.h"
#include "PlatformTexts.h"
#include "SettingsRow.h"
#include "SwitchToggle.h"
#include "ThresholdRow.h"
#include "TopBarRow.h"

#include "app/UsageStore.h"
#include "app/views/PageScroll.h"
#include "app/views/Text.h"
#include "app/views/Theme.h"

#include <QBoxLayout>
#include <QLabel>

#include <algorithm>

using namespace Qt::StringLiterals;

SettingsPage::SettingsPage(UsageStore* store, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_scroll(PageScroll::filling(this))
{

    auto* page = new QWidget;
    auto* stack = new QVBoxLayout(page);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(16);
    stack->addWidget(
        Text::label(u"本机登录"_s, Theme::font(Theme::TextStyle::headline), Theme::white(1), page));
    // Signing in from the editor comes first; the paste below stays the alternative.
    m_import = new ActionButton(u"导入"_s, ActionButton::Kind::prominent, page);
    m_importRow = CookieEntry::importRow(m_import, Theme::white(1), Theme::white(0.50), page);
    stack->addWidget(m_importRow);
    stack->addWidget(Text::wrapping(CookieEntry::note(), Theme::font(Theme::TextStyle::footnote),
                                    Theme::white(0.55), page));

    m_paste = new PasteField(Theme::white(0.08), page);
    stack->addWidget(m_paste);

    auto* buttons = new QHBoxLayout;
    m_logout = new ActionButton(u"退出登录"_s, ActionButton::Kind::destructive, page);
    auto* addAccount = new ActionButton(u"添加账号"_s, ActionButton::Kind::bordered, page);
    m_save = new ActionButton(u"保存并刷新"_s, ActionButton::Kind::prominent, page);
    buttons->addWidget(m_logout);
    buttons->addStretch(1);
    buttons->addWidget(addAccount);
    buttons->addWidget(m_save);
    stack->addLayout(buttons);
    stack->addWidget(new AccountsSection(m_store, page));

    m_pin = new SwitchToggle(u"置顶"_s);
    m_background = new SwitchToggle(u"后台刷新"_s);
    stack->addWidget(SettingsRow::divider(page));
    stack->addWidget(new SettingsRow(u"窗口置顶"_s, u"打开后始终浮在其他应用前面。"_s, m_pin, page));
    stack->addWidget(SettingsRow::divider(page));
    stack->addWidget(new SettingsRow(
        u"开机与后台刷新"_s, u"主窗口关掉也会每 3 分钟静默拉一次用量，不弹窗。"_s, m_background, page));
    m_login = new SwitchToggle(u"登录时打开托盘"_s);
    stack->addWidget(SettingsRow::divider(page));
    stack->addWidget(
        new SettingsRow(u"登录时打开托盘"_s, u"登录桌面后在托盘里启动，不打开窗口。"_s, m_login, page));
    // GNOME shows no tray: there the numbers go into the top bar instead.
    m_topBar = new TopBarRow(page);
    stack->addWidget(m_topBar);
    m_follow = new SwitchToggle(u"跟随编辑器"_s);
    m_followRow =
        new SettingsRow(u"跟随 Cursor 编辑器登录"_s,
                        u"每次刷新前先取编辑器当前的登录，编辑器换了登录也不必重新导入。"_s, m_follow, page);
    stack->addWidget(m_followRow);
    m_notices = new SwitchToggle(u"额度提醒"_s);
    stack->addWidget(SettingsRow::divider(page));
    stack->addWidget(new SettingsRow(
        u"额度提醒"_s, u"额度剩得不多、开始产生按需用量或新账期开始时，发一条桌面通知，每个账期各一次。"_s,
        m_notices, page));
    // Made after the switch's row, so that Tab reaches them in reading order.
    m_thresholds = new ThresholdRow(page);
    stack->addWidget(m_thresholds);
    m_onDemandAmount = new OnDemandAmountRow(page);
    stack->addWidget(m_onDemandAmount);

    m_history = new SwitchToggle(u"保存用量历史"_s);
    stack->addWidget(SettingsRow::divider(page));
    stack->addWidget(new SettingsRow(u"保存用量历史"_s,
                                     u"在本机保存本账期和上一账期的每个用量事件，用于趋势页和导出 CSV。"_s,
                                     m_history, page));

    m_footer = Text::wrapping(QString(), Theme::font(Theme::TextStyle::caption), Theme::white(0.40), page);
    stack->addWidget(m_footer);
    m_scroll->setPage(page);

    CookieEntry::bindSaveButton(m_paste, m_save);
    connect(m_save, &ActionButton::clicked, this, [this] { CookieEntry::save(m_store, m_paste); });
    connect(m_logout, &ActionButton::clicked, m_store, &UsageStore::logout);
    connect(addAccount, &ActionButton::clicked, this,
            [this] { (new AddAccountSheet(m_store, window()))->open(); });
    connect(m_pin, &SwitchToggle::clicked, m_store, &UsageStore::setPinned);
    connect(m_background, &SwitchToggle::clicked, m_store, &UsageStore::setBackgroundRefresh);
    connect(m_notices, &SwitchToggle::clicked, m_store, &UsageStore::setQuotaNotices);
    connect(m_thresholds, &ThresholdRow::edited, m_store, &UsageStore::setThresholds);
    // A switch the store did not follow snaps back to the store's value.
    connect(m_pin, &SwitchToggle::clicked, this, &SettingsPage::follow);
    connect(m_background, &SwitchToggle::clicked, this, &SettingsPage::follow);
    connect(m_import, &ActionButton::clicked, m_store, [this] { m_store->importFromEditor(); });
    connect(m_follow, &SwitchToggle::clicked, m_store, &UsageStore::setFollowEditor);
    connect(m_follow, &SwitchToggle::clicked, this, &SettingsPage::follow);
    connect(m_notices, &SwitchToggle::clicked, this, &SettingsPage::follow);
    connect(m_login, &SwitchToggle::clicked, m_store, &UsageStore::setTrayAtLogin);
    connect(m_login, &SwitchToggle::clicked, this, &SettingsPage::follow);
    connect(m_history, &SwitchToggle::clicked, this, &SettingsPage::historyClicked);
    connect(m_store, &UsageStore::changed, this, &SettingsPage::follow);
    follow();
}

QString SettingsPage::followDetail(const UsageStore& store)
{
    const QString usual = u"每次刷新前先取编辑器当前的登录，编辑器换了登录也不必重新导入。"_s;
    if (!store.hasSeveralAccounts())
        return usual;
    const QList<UsageStore::AccountRow> rows = store.accountRows();
    const auto followed = std::find_if(rows.begin(), rows.end(), [](const auto& row) { return row.editor; });
    if (followed == rows.end())
        return usual + u"编辑器当前的登录不属于这里的账号。"_s;
    return usual + u"跟随的账号：%1。"_s.arg(followed->name);
}

QString SettingsPage::footerText(const QString& pricingLabel)
{
    return PlatformTexts::cacheLocation() + u"预估美元按官方标价本地计算，不是账单。"_s + pricingLabel +
           u"。后台刷新不弹窗。"_s;
}

void SettingsPage::historyClicked(bool on)
{
    if (on) {
        m_store->setHistoryEnabled(true);
        follow();
        return;
    }
    // Switching off deletes what was saved: asked first.
    follow();
    DestructiveQuestion::ask(
        this, {u"关闭用量历史？"_s, u"关闭后会停止同步，并删除本机保存的用量历史。"_s, {}, u"删除并关闭"_s},
        [this] { m_store->setHistoryEnabled(false); });
}

void SettingsPage::follow()
{
    m_logout->setVisible(m_store->hasSession());
    m_pin->setChecked(m_store->isPinned());
    m_background->setChecked(m_store->backgroundRefreshEnabled());
    const bool editor = UsageStore::editorLoginAvailable();
    m_importRow->setVisible(editor);
    m_followRow->setVisible(editor || m_store->followsEditor());
    m_follow->setChecked(m_store->followsEditor());
    if (const QString detail = followDetail(*m_store); m_followRow->detail()->text() != detail)
        m_followRow->detail()->setText(detail);
    m_notices->setChecked(m_store->quotaNoticesEnabled());
    if (m_thresholds->value() != m_store->thresholds())
        m_thresholds->setValue(m_store->thresholds());
    m_login->setChecked(m_store->trayAtLoginEnabled());
    m_history->setChecked(m_store->historyEnabled());
    const QString footer = footerText(m_store->pricingLabel());
    if (m_footer->text() != footer)
        m_footer->setText(footer);
}
