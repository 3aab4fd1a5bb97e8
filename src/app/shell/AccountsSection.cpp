#include "AccountsSection.h"

#include "ActionButton.h"
#include "DestructiveQuestion.h"
#include "SettingsRow.h"
#include "ShellColours.h"

#include "app/UsageStore.h"
#include "app/views/Text.h"
#include "app/views/Theme.h"
#include "model/StatusLine.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

using namespace Qt::StringLiterals;

AccountsSection::AccountsSection(UsageStore* store, QWidget* parent)
    : QWidget(parent)
    , m_store(store)
    , m_rows(new QVBoxLayout)
    // In the board's red, whatever the palette the section is made with.
    , m_refusal(Text::wrapping(QString(), Theme::font(Theme::TextStyle::footnote),
                               ShellColours::destructive(ShellColours::boardPalette(QPalette())), this))
{
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(12);
    stack->addWidget(SettingsRow::divider(this));
    stack->addWidget(Text::label(u"账号"_s, Theme::font(Theme::TextStyle::headline), Theme::white(1), this));
    m_rows->setSpacing(12);
    stack->addLayout(m_rows);
    m_refusal->hide();
    stack->addWidget(m_refusal);
    connect(m_store, &UsageStore::accountsChanged, this, &AccountsSection::follow);
    follow();
}

QString AccountsSection::removalQuestion(const QString& account)
{
    return u"移除账号“%1”？"_s.arg(account);
}

void AccountsSection::follow()
{
    setVisible(m_store->hasSeveralAccounts());
    const QList<UsageStore::AccountRow> rows = m_store->accountRows();
    QStringList users;
    for (const UsageStore::AccountRow& row : rows)
        users.append(row.userId);
    // Built again only for other accounts: a new name or primary changes the rows in place, so that
    // the focus and an edit under way stay where they are.
    if (users != m_users)
        rebuild(users);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const UsageStore::AccountRow& row = rows[i];
        m_names[i]->setText(row.name);
        m_labels[i]->setAccessibleName(u"%1 的标签"_s.arg(row.name));
        // A label changed elsewhere shows, unless the user is typing one; setting the same text
        // would move the cursor.
        if (!m_labels[i]->isModified() && m_labels[i]->text() != row.label)
            m_labels[i]->setText(row.label);
        m_primaries[i]->setVisible(!row.primary);
        m_details[i]->setText(row.plan + u" · "_s + row.summary + (row.primary ? u" · 主账号"_s : QString()));
    }
}

void AccountsSection::rebuild(const QStringList& users)
{
    // Later, not now: the row's own field may be the one whose edit changed the list.
    while (QLayoutItem* item = m_rows->takeAt(0)) {
        if (QWidget* row = item->widget()) {
            row->hide();
            row->deleteLater();
        }
        delete item;
    }
    m_users = users;
    m_names.clear();
    m_labels.clear();
    m_primaries.clear();
    m_removes.clear();
    m_details.clear();
    for (const QString& userId : users) {
        auto* row = new QWidget(this);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(2);
        // Cut short: a long e-mail must not push the row's buttons out of the page.
        auto* name = Text::eliding(QString(), Theme::font(Theme::TextStyle::body), Theme::white(1), row);
        texts->addWidget(name);
        auto* detail =
            Text::label(QString(), Theme::font(Theme::TextStyle::footnote), Theme::white(0.55), row);
        texts->addWidget(detail);
        line->addLayout(texts, 1);

        auto* label = new QLineEdit(row);
        label->setPlaceholderText(u"标签"_s);
        label->setMaximumWidth(120);
        label->setStyleSheet(ShellColours::darkField(u"QLineEdit"_s));
        // By user id, as every handler here: the list may have changed since the row was made.
        connect(label, &QLineEdit::editingFinished, this, [this, userId, label] {
            const QList<UsageStore::AccountRow> rows = m_store->accountRows();
            const auto row = std::find_if(rows.begin(), rows.end(),
                                          [&](const auto& each) { return each.userId == userId; });
            if (row == rows.end() || label->text() == row->label)
                return;
            const QString refusal = m_store->setAccountLabel(userId, label->text());
            if (refusal.isEmpty())
                label->setModified(false);
            m_refusal->setText(refusal);
            m_refusal->setVisible(!refusal.isEmpty());
        });
        line->addWidget(label);

        auto* primary = new ActionButton(u"设为主账号"_s, ActionButton::Kind::bordered, row);
        // Its place kept on the primary's row, so that the labels line up.
        QSizePolicy keepsPlace = primary->sizePolicy();
        keepsPlace.setRetainSizeWhenHidden(true);
        primary->setSizePolicy(keepsPlace);
        connect(primary, &ActionButton::clicked, m_store,
                [this, userId] { m_store->setPrimaryAccount(userId); });
        line->addWidget(primary);
        auto* remove = new ActionButton(u"移除"_s, ActionButton::Kind::destructive, row);
        connect(remove, &ActionButton::clicked, this, [this, userId] { askRemoval(userId); });
        line->addWidget(remove);

        m_rows->addWidget(row);
        m_names.append(name);
        m_labels.append(label);
        m_primaries.append(primary);
        m_removes.append(remove);
        m_details.append(detail);
    }
}

void AccountsSection::askRemoval(const QString& userId)
{
    const QList<UsageStore::AccountRow> rows = m_store->accountRows();
    const auto row =
        std::find_if(rows.begin(), rows.end(), [&](const auto& each) { return each.userId == userId; });
    if (row == rows.end())
        return;
    DestructiveQuestion::ask(this,
                             {u"移除账号"_s, removalQuestion(row->name),
                              u"会删除这个账号在本机保存的 Cookie、用量缓存和用量历史，其他账号不受影响。"_s,
                              u"移除"_s},
                             // By user id: the list may have changed while the question was up.
                             [this, userId] { m_store->removeAccount(userId); });
}
