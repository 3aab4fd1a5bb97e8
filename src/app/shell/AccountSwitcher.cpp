#include "AccountSwitcher.h"

#include "app/UsageStore.h"
#include "app/desktop/StatusLine.h"

#include <QSignalBlocker>

using namespace Qt::StringLiterals;

AccountSwitcher::AccountSwitcher(UsageStore* store, QWidget* parent)
    : QComboBox(parent)
    , m_store(store)
{
    setAccessibleName(u"账号"_s);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(12);
    // The board is dark; the platform's light box would stand out as a white block.
    setStyleSheet(u"QComboBox { background: rgba(255, 255, 255, 0.08); color: white; border: none;"
                  u" border-radius: 6px; padding: 4px 8px; }"
                  u" QComboBox QAbstractItemView { background: #2c2c2e; color: white;"
                  u" selection-background-color: #0a84ff; }"_s);
    connect(this, &QComboBox::activated, m_store, [this](int index) { m_store->setCurrentAccount(index); });
    connect(m_store, &UsageStore::accountsChanged, this, &AccountSwitcher::follow);
    follow();
}

QString AccountSwitcher::entry(const UsageStore& store, qsizetype index)
{
    return store.accountName(index) + u" · "_s + StatusLine::plan(store.accountSnapshot(index)) + u" · "_s +
           store.accountSummary(index);
}

void AccountSwitcher::follow()
{
    const QSignalBlocker quiet(this);
    const qsizetype count = m_store->accountCount();
    while (QComboBox::count() > count)
        removeItem(QComboBox::count() - 1);
    for (qsizetype i = 0; i < count; ++i) {
        const QString text = entry(*m_store, i);
        if (i < QComboBox::count())
            setItemText(int(i), text);
        else
            addItem(text);
    }
    setCurrentIndex(int(m_store->currentAccount()));
    setVisible(m_store->hasSeveralAccounts());
}
