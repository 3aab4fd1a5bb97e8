#pragma once

#include <QString>

class ActionButton;
class QColor;
class QDialog;
class PasteField;
class QVBoxLayout;
class QWidget;
class UsageStore;

// What the settings page and the two sheets ("粘贴 Cookie", "添加账号") share: the note, the save
// rule, the import row, the sheets' common part and size, and the actions.
namespace CookieEntry {

inline constexpr int minimumSheetWidth = 520;
inline constexpr int idealSheetWidth = 640;
inline constexpr int sheetPadding = 24;

QString note();

// Blank text (spaces and line breaks only) cannot be saved.
bool isBlank(const QString& text);

// Keeps the save button enabled only while the field holds something to save.
void bindSaveButton(PasteField* field, ActionButton* save);

// "从 Cursor 编辑器导入" with its line of explanation on the left and `button` on the right.
QWidget* importRow(ActionButton* button, const QColor& title, const QColor& detail, QWidget* parent);

// A window-modal sheet's part above its buttons, in the platform's colours: the title, `note`, the
// import row with its "导入" button and the paste field, which takes the spare height. The sheet
// adds its buttons to `stack`, then calls fitSheet().
struct Sheet
{
    QVBoxLayout* stack;
    QWidget* importRow;
    ActionButton* import;
    PasteField* paste;
};
Sheet sheet(QDialog* dialog, const QString& title, const QString& note);

// The sheet at its ideal width, as high as its wrapped texts need there.
void fitSheet(QDialog* dialog);

// Takes the field's text, empties the field at once and hands the text to the store, without
// waiting: success and failure show through the store.
void save(UsageStore* store, PasteField* field);

} // namespace CookieEntry
