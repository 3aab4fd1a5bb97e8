#pragma once

#include <QWidget>

class ActionButton;
class PageScroll;
class PasteField;
class QLabel;
class SwitchToggle;
class UsageStore;

// The third page: the cookie paste field with its save and logout buttons, the window-pin and
// background-refresh and history switches, and a note on what is kept where. It follows the store; the paste
// text lives only as long as the page.
class SettingsPage : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsPage(UsageStore* store, QWidget* parent = nullptr);

    // The closing note with the pricing table's state in the middle.
    static QString footerText(const QString& pricingLabel);

    PageScroll* scroll() const { return m_scroll; }
    PasteField* pasteField() const { return m_paste; }
    ActionButton* saveButton() const { return m_save; }
    ActionButton* logoutButton() const { return m_logout; }
    SwitchToggle* pinSwitch() const { return m_pin; }
    SwitchToggle* backgroundSwitch() const { return m_background; }
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
    SwitchToggle* m_history;
    QLabel* m_footer;
};
