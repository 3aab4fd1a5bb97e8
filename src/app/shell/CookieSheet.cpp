#include "CookieSheet.h"

#include "ActionButton.h"
#include "CookieEntry.h"
#include "PasteField.h"

#include "app/UsageStore.h"

#include <QBoxLayout>
#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

CookieSheet::CookieSheet(UsageStore* store, QWidget* parent)
    : QDialog(parent)
    , m_store(store)
{
    const CookieEntry::Sheet sheet = CookieEntry::sheet(this, u"粘贴 Cookie"_s, CookieEntry::note());
    m_importRow = sheet.importRow;
    m_paste = sheet.paste;

    auto* buttons = new QHBoxLayout;
    m_cancel = new ActionButton(u"取消"_s, ActionButton::Kind::bordered, this);
    m_logout = new ActionButton(u"退出登录"_s, ActionButton::Kind::destructive, this);
    m_save = new ActionButton(u"保存并刷新"_s, ActionButton::Kind::prominent, this);
    buttons->addWidget(m_cancel);
    buttons->addStretch(1);
    buttons->addWidget(m_logout);
    buttons->addWidget(m_save);
    sheet.stack->addLayout(buttons);

    CookieEntry::bindSaveButton(m_paste, m_save);
    connect(m_cancel, &ActionButton::clicked, this, &QDialog::reject);
    connect(m_save, &ActionButton::clicked, this, [this] { CookieEntry::save(m_store, m_paste); });
    connect(m_logout, &ActionButton::clicked, m_store, &UsageStore::logout);
    connect(sheet.import, &ActionButton::clicked, m_store, [this] { m_store->importFromEditor(); });
    connect(this, &QDialog::finished, this, [this] {
        if (m_store->showCookieSheet())
            m_store->setShowCookieSheet(false);
    });
    connect(m_store, &UsageStore::changed, this, &CookieSheet::follow);
    follow();

    CookieEntry::fitSheet(this);
    m_paste->editor()->setFocus();
}

void CookieSheet::follow()
{
    m_logout->setVisible(m_store->hasSession());
    m_importRow->setVisible(UsageStore::editorLoginAvailable());
}
