#include "AddAccountSheet.h"

#include "ActionButton.h"
#include "CookieEntry.h"
#include "PasteField.h"

#include "app/UsageStore.h"

#include <QBoxLayout>

#include <QPlainTextEdit>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The sheet's first words: how to sign in while no account is signed in yet, else how to add
// another one.
QString intro(const UsageStore& store)
{
    const QList<UsageStore::AccountRow> rows = store.accountRows();
    if (rows.size() == 1 && !rows.front().signedIn)
        return u"粘贴 Cookie，或从 Cursor 编辑器导入登录。"_s;
    return u"粘贴另一个账号的 Cookie（例如工作席位和个人套餐各一个），最多 8 个账号。"_s;
}

} // namespace

AddAccountSheet::AddAccountSheet(UsageStore* store, QWidget* parent)
    : QDialog(parent)
    , m_store(store)
{
    setAttribute(Qt::WA_DeleteOnClose);
    const CookieEntry::Sheet sheet =
        CookieEntry::sheet(this, u"添加账号"_s, intro(*m_store) + CookieEntry::note());
    m_paste = sheet.paste;

    auto* buttons = new QHBoxLayout;
    auto* cancel = new ActionButton(u"取消"_s, ActionButton::Kind::bordered, this);
    auto* add = new ActionButton(u"添加"_s, ActionButton::Kind::prominent, this);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    buttons->addWidget(add);
    sheet.stack->addLayout(buttons);

    // Offered only while the editor's login is one of no account here yet.
    const QList<UsageStore::AccountRow> rows = m_store->accountRows();
    sheet.importRow->setVisible(
        UsageStore::editorLoginAvailable() &&
        std::none_of(rows.begin(), rows.end(), [](const auto& row) { return row.editor; }));
    CookieEntry::bindSaveButton(m_paste, add);
    connect(cancel, &ActionButton::clicked, this, &QDialog::reject);
    connect(add, &ActionButton::clicked, this, [this] {
        const QString text = m_paste->text();
        m_paste->clear();
        m_store->addAccount(text);
        accept();
    });
    connect(sheet.import, &ActionButton::clicked, this, [this] {
        m_store->addEditorAccount();
        accept();
    });
    CookieEntry::fitSheet(this);
    m_paste->editor()->setFocus();
}
