#include "AccountSwitcher.h"

#include "ShellColours.h"

#include "app/UsageStore.h"
#include "app/views/Theme.h"
#include "model/StatusLine.h"

#include <QAbstractItemView>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QStylePainter>

#include <algorithm>

using namespace Qt::StringLiterals;

AccountSwitcher::AccountSwitcher(UsageStore* store, QWidget* parent)
    : QComboBox(parent)
    , m_store(store)
{
    setAccessibleName(u"账号"_s);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(14);
    // The list is filled with the card colour: the board's see-through base would leave it blank.
    QPalette list = view()->palette();
    for (const QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Button})
        list.setColor(role, Theme::cardBackground());
    list.setColor(QPalette::Text, Theme::white(1));
    list.setColor(QPalette::Highlight, ShellColours::accent());
    view()->setPalette(list);
    view()->window()->setPalette(list);
    setStyleSheet(ShellColours::darkField(u"QComboBox"_s, u" combobox-popup: 0;"_s));
    connect(this, &QComboBox::activated, m_store, [this](int index) { m_store->setCurrentAccount(index); });
    connect(m_store, &UsageStore::accountsChanged, this, &AccountSwitcher::follow);
    follow();
}

void AccountSwitcher::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QRect text =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    option.currentText = fontMetrics().elidedText(
        m_store->accountRows().value(m_store->currentAccount()).name, Qt::ElideRight, text.width());
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

QString AccountSwitcher::entry(const UsageStore::AccountRow& row)
{
    return row.name + u" · "_s + row.plan + u" · "_s + row.summary;
}

void AccountSwitcher::follow()
{
    const QSignalBlocker quiet(this);
    const QList<UsageStore::AccountRow> rows = m_store->accountRows();
    const qsizetype count = rows.size();
    while (QComboBox::count() > count)
        removeItem(QComboBox::count() - 1);
    for (qsizetype i = 0; i < count; ++i) {
        const QString text = entry(rows[i]);
        if (i < QComboBox::count())
            setItemText(int(i), text);
        else
            addItem(text);
    }
    // The list is wider than the box: every entry whole, with its plan and what is left.
    int widest = 0;
    for (int i = 0; i < QComboBox::count(); ++i)
        widest = std::max(widest, view()->fontMetrics().horizontalAdvance(itemText(i)));
    view()->setMinimumWidth(widest + 32);
    setCurrentIndex(int(m_store->currentAccount()));
    setVisible(m_store->hasSeveralAccounts());
}
