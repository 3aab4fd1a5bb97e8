#pragma once

#include <QWidget>

struct UsageSnapshot;
class AccountSwitcher;
class ActionButton;
class PlanBadge;
class QLabel;
class SwitchToggle;
class UsageStore;

// The window's top row: the title and how fresh the data are, the pin switch with its caption, the
// "Cookie" button (which asks for the settings page) and the refresh button. With several accounts,
// also the account on screen (its name and plan) and the switcher to show another.
class DashboardHeader : public QWidget
{
    Q_OBJECT

public:
    explicit DashboardHeader(UsageStore* store, QWidget* parent = nullptr);

    // Where the data live and, once there are data, when they were last updated.
    static QString subtitle(const UsageSnapshot& snapshot);
    static QString pinCaption(bool pinned);
    static QString pinToolTip(bool pinned);

    QLabel* subtitleLabel() const { return m_subtitle; }
    SwitchToggle* pinSwitch() const { return m_pin; }
    QLabel* pinCaptionLabel() const { return m_pinCaption; }
    ActionButton* cookieButton() const { return m_cookie; }
    ActionButton* refreshButton() const { return m_refresh; }
    AccountSwitcher* accountSwitcher() const { return m_switcher; }
    QLabel* accountLabel() const { return m_account; }
    PlanBadge* accountPlan() const { return m_plan; }

Q_SIGNALS:
    void cookieRequested();

private:
    void follow();

    UsageStore* m_store;
    QLabel* m_subtitle;
    QWidget* m_accountRow;
    QLabel* m_account;
    PlanBadge* m_plan;
    AccountSwitcher* m_switcher;
    SwitchToggle* m_pin;
    QLabel* m_pinCaption;
    ActionButton* m_cookie;
    ActionButton* m_refresh;
};
