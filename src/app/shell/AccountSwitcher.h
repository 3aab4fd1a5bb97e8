#pragma once

#include "app/UsageStore.h"

#include <QComboBox>

class UsageStore;

// The header's list of accounts, shown while there are several: each with its plan and "剩余 x%"
// (or "未登录"). Choosing one shows it at once from its stored snapshot, without a request. Read
// as the combo box "账号".
class AccountSwitcher : public QComboBox
{
    Q_OBJECT

public:
    explicit AccountSwitcher(UsageStore* store, QWidget* parent = nullptr);

    // One entry's text: "<name> · <plan> · 剩余 x%".
    static QString entry(const UsageStore::AccountRow& row);

protected:
    // Closed, the box shows the account's name alone: the header has no room for the whole entry.
    void paintEvent(QPaintEvent* event) override;

private:
    void follow();

    UsageStore* m_store;
};
