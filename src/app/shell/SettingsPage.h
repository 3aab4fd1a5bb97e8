#pragma once

#include <QWidget>

class ActionButton;
class OnDemandAmountRow;
class SettingsRow;
class PageScroll;
class PasteField;
class QLabel;
class SwitchToggle;
class ThresholdRow;
class TopBarRow;
class UsageStore;

// The settings page: the cookie paste field with its save and logout buttons, "添加账号" and, with
// several accounts, the accounts with their labels; the window-pin, background-refresh,
// tray-at-login, top-bar (GNOME only) and quota-notice switches with the notice thresholds and the
// on-demand amount, the history switch, and a note on what is kept where. It follows the store; the
// paste text lives only as long as the page.
class SettingsPage : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsPage(UsageStore* store, QWidget* parent = nullptr);

    // The closing note with the pricing table's state in the middle.
    static QString footerText(const QString& pricingLabel);
    // The follow switch's line: with several accounts it names the account it follows.
    static QString followDetail(const UsageStore& store);

    PageScroll* scroll() const { return m_scroll; }
    PasteField* pasteField() const { return m_paste; }
    ActionButton* saveButton() const { return m_save; }
    ActionButton* logoutButton() const { return m_logout; }
    SwitchToggle* pinSwitch() const { return m_pin; }
    SwitchToggle* backgroundSwitch() const { return m_background; }
    QWidget* importRow() const { return m_importRow; }
    ActionButton* importButton() const { return m_import; }
    SettingsRow* followRow() const { return m_followRow; }
    SwitchToggle* followSwitch() const { return m_follow; }
    SwitchToggle* noticesSwitch() const { return m_notices; }
    ThresholdRow* thresholdRow() const { return m_thresholds; }
    OnDemandAmountRow* onDemandAmountRow() const { return m_onDemandAmount; }
    SwitchToggle* loginSwitch() const { return m_login; }
    TopBarRow* topBarRow() const { return m_topBar; }
    SwitchToggle* historySwitch() const { return m_history; }
    QLabel* footer() const { return m_footer; }

private:
    void follow();
    void historyClicked(bool on);

    UsageStore* m_store;
    PageScroll* m_scroll;
    PasteField* m_paste;
    ActionButton* m_save;
    ActionButton* m_logout;
    SwitchToggle* m_pin;
    SwitchToggle* m_background;
    QWidget* m_importRow;
    ActionButton* m_import;
    SettingsRow* m_followRow;
    SwitchToggle* m_follow;
    SwitchToggle* m_notices;
    ThresholdRow* m_thresholds;
    OnDemandAmountRow* m_onDemandAmount;
    SwitchToggle* m_login;
    TopBarRow* m_topBar;
    SwitchToggle* m_history;
    QLabel* m_footer;
};
