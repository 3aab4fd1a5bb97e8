#include "AddAccountSheet.h"

#include "ActionButton.h"
#include "CookieEntry.h"
#include "CookieSheet.h"
#include "PasteField.h"
#include "ShellColours.h"

#include "app/UsageStore.h"
#include "app/views/Text.h"
#include "app/views/Theme.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

AddAccountSheet::AddAccountSheet(UsageStore* store, QWidget* parent)
    : QDialog(parent)
    , m_store(store)
{
    setWindowTitle(u"添加账号"_s);
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(CookieSheet::minimumSheetWidth);
    setAttribute(Qt::WA_DeleteOnClose);

    const QPalette& colours = palette();
    auto* stack = new QVBoxLayout(this);
    const int padding = CookieSheet::padding;
    stack->setContentsMargins(padding, padding, padding, padding);
    stack->setSpacing(16);
    stack->addWidget(Text::label(u"添加账号"_s, Theme::font(Theme::TextStyle::title2, QFont::Bold),
                                 colours.color(QPalette::WindowText), this));
    stack->addWidget(Text::wrapping(
        u"粘贴另一个账号的 Cookie（例如工作席位和个人套餐各一个），最多 8 个账号。"_s + CookieEntry::note(),
        Theme::font(Theme::TextStyle::footnote), ShellColours::primary(colours, 0.5), this));
    m_import = new ActionButton(u"导入"_s, ActionButton::Kind::bordered, this);
    m_importRow = CookieEntry::importRow(m_import, colours.color(QPalette::WindowText),
                                         ShellColours::primary(colours, 0.5), this);
    stack->addWidget(m_importRow);
    m_paste = new PasteField(ShellColours::primary(colours, 0.06), this);
    stack->addWidget(m_paste, 1);

    auto* buttons = new QHBoxLayout;
    auto* cancel = new ActionButton(u"取消"_s, ActionButton::Kind::bordered, this);
    m_add = new ActionButton(u"添加"_s, ActionButton::Kind::prominent, this);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    buttons->addWidget(m_add);
    stack->addLayout(buttons);

    // Offered only while the editor's login is one of no account here yet.
    m_importRow->setVisible(UsageStore::editorLoginAvailable() && m_store->editorAccount() < 0);
    CookieEntry::bindSaveButton(m_paste, m_add);
    connect(cancel, &ActionButton::clicked, this, &QDialog::reject);
    connect(m_add, &ActionButton::clicked, this, [this] {
        const QString text = m_paste->text();
        m_paste->clear();
        m_store->addAccount(text);
        accept();
    });
    connect(m_import, &ActionButton::clicked, this, [this] {
        m_store->addEditorAccount();
        accept();
    });
    resize(CookieSheet::idealSheetWidth, sizeHint().height());
    m_paste->editor()->setFocus();
}
