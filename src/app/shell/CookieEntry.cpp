#include "CookieEntry.h"

#include "ActionButton.h"
#include "PasteField.h"
#include "ShellColours.h"

#include "app/UsageStore.h"
#include "app/views/Text.h"
#include "app/views/Theme.h"

#include <QBoxLayout>
#include <QDialog>
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

CookieEntry::Sheet CookieEntry::sheet(QDialog* dialog, const QString& title, const QString& note)
{
    dialog->setWindowTitle(title);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setMinimumWidth(minimumSheetWidth);
    const QPalette& colours = dialog->palette();
    Sheet parts;
    parts.stack = new QVBoxLayout(dialog);
    parts.stack->setContentsMargins(sheetPadding, sheetPadding, sheetPadding, sheetPadding);
    parts.stack->setSpacing(16);
    parts.stack->addWidget(Text::label(title, Theme::font(Theme::TextStyle::title2, QFont::Bold),
                                       colours.color(QPalette::WindowText), dialog));
    parts.stack->addWidget(Text::wrapping(note, Theme::font(Theme::TextStyle::footnote),
                                          ShellColours::primary(colours, 0.5), dialog));
    parts.import = new ActionButton(u"导入"_s, ActionButton::Kind::bordered, dialog);
    parts.importRow = importRow(parts.import, colours.color(QPalette::WindowText),
                                ShellColours::primary(colours, 0.5), dialog);
    parts.stack->addWidget(parts.importRow);
    parts.paste = new PasteField(ShellColours::primary(colours, 0.06), dialog);
    parts.stack->addWidget(parts.paste, 1);
    return parts;
}

void CookieEntry::fitSheet(QDialog* dialog)
{
    // The notes wrap: the height at the ideal width, not the one-line size hint.
    const int height = dialog->heightForWidth(idealSheetWidth);
    dialog->resize(idealSheetWidth, height > 0 ? height : dialog->sizeHint().height());
}

void CookieEntry::save(UsageStore* store, PasteField* field)
{
    const QString text = field->text();
    field->clear();
    // The task runs on by itself; the store reports how it ended.
    store->saveCookie(text);
}
