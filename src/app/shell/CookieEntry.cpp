#include "CookieEntry.h"

#include "ActionButton.h"
#include "PasteField.h"

#include "app/UsageStore.h"
#include "app/views/Text.h"
#include "app/views/Theme.h"

#include <QBoxLayout>
#include <QLabel>

using namespace Qt::StringLiterals;

QString CookieEntry::note()
{
    return u"只保存到本机钥匙串，不会写入用量缓存，也不会上传。可粘整段 Cookie，或只粘 WorkosCursorSessionToken 的值。"_s;
}

bool CookieEntry::isBlank(const QString& text)
{
    return text.trimmed().isEmpty();
}

void CookieEntry::bindSaveButton(PasteField* field, ActionButton* save)
{
    const auto update = [field, save] { save->setEnabled(!isBlank(field->text())); };
    QObject::connect(field, &PasteField::textChanged, save, update);
    update();
}

QWidget* CookieEntry::importRow(ActionButton* button, const QColor& title, const QColor& detail,
                                QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(
        Text::label(u"从 Cursor 编辑器导入"_s, Theme::font(Theme::TextStyle::headline), title, row));
    texts->addWidget(Text::wrapping(u"读取本机 Cursor 编辑器的登录，同样只保存到本机钥匙串。"_s,
                                    Theme::font(Theme::TextStyle::caption), detail, row));
    layout->addLayout(texts, 1);
    layout->addWidget(button);
    button->setParent(row);
    return row;
}

void CookieEntry::save(UsageStore* store, PasteField* field)
{
    const QString text = field->text();
    field->clear();
    // The task runs on by itself; the store reports how it ended.
    store->saveCookie(text);
}
