#include "CookieEntry.h"

#include "ActionButton.h"
#include "PasteField.h"

#include "app/UsageStore.h"

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

void CookieEntry::save(UsageStore* store, PasteField* field)
{
    const QString text = field->text();
    field->clear();
    // The task runs on by itself; the store reports how it ended.
    store->saveCookie(text);
}
