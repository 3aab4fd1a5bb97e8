#include "CookieSheet.h"

#include "ActionButton.h"
#include "CookieEntry.h"
#include "PasteField.h"
#include "ShellColours.h"

#include "app/UsageStore.h"
#include "app/views/Text.h"
#include "app/views/Theme.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

CookieSheet::CookieSheet(UsageStore* store, QWidget* parent)
    : QDialog(parent)
    , m_store(store)
{
    setWindowTitle(u"粘贴 Cookie"_s);
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(minimumSheetWidth);

    const QPalette& colours = palette();
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(padding, padding, padding, padding);
    stack->setSpacing(16);
    stack->addWidget(Text::label(u"粘贴 Cookie"_s, Theme::font(Theme::TextStyle::title2, QFont::Bold),
                                 colours.color(QPalette::WindowText), this));
    stack->addWidget(Text::wrapping(CookieEntry::note(), Theme::font(Theme::TextStyle::footnote),
                                    ShellColours::primary(colours, 0.5), this));
    m_import = new ActionButton(u"导入"_s, ActionButton::Kind::bordered, this);
    m_importRow = CookieEntry::importRow(m_import, colours.color(QPalette::WindowText),
                                         ShellColours::primary(colours, 0.5), this);
    stack->addWidget(m_importRow);
    m_paste = new PasteField(ShellColours::primary(colours, 0.06), this);
    stack->addWidget(m_paste, 1);

    auto* buttons = new QHBoxLayout;
    m_cancel = new ActionButton(u"取消"_s, ActionButton::Kind::bordered, this);
    m_logout = new ActionButton(u"退出登录"_s, ActionButton::Kind::destructive, this);
    m_save = new ActionButton(u"保存并刷新"_s, ActionButton::Kind::prominent, this);
    buttons->addWidget(m_cancel);
    buttons->addStretch(1);
    buttons->addWidget(m_logout);
    buttons->addWidget(m_save);
    stack->addLayout(buttons);

    CookieEntry::bindSaveButton(m_paste, m_save);
    connect(m_cancel, &ActionButton::clicked, this, &QDialog::reject);
    connect(m_save, &ActionButton::clicked, this, [this] { CookieEntry::save(m_store, m_paste); });
    connect(m_logout, &ActionButton::clicked, m_store, &UsageStore::logout);
    connect(m_import, &ActionButton::clicked, m_store, [this] { m_store->importFromEditor(); });
    connect(this, &QDialog::finished, this, [this] {
        if (m_store->showCookieSheet())
            m_store->setShowCookieSheet(false);
    });
    connect(m_store, &UsageStore::changed, this, &CookieSheet::follow);
    follow();

    resize(idealSheetWidth,
           heightForWidth(idealSheetWidth) > 0 ? heightForWidth(idealSheetWidth) : sizeHint().height());
    m_paste->editor()->setFocus();
}

void CookieSheet::follow()
{
    m_logout->setVisible(m_store->hasSession());
    m_importRow->setVisible(UsageStore::editorLoginAvailable());
}
