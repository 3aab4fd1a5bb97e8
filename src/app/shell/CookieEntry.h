#pragma once

#include <QString>

class ActionButton;
class QColor;
class PasteField;
class QWidget;
class UsageStore;

// What the settings page and the cookie sheet share: the note, the save rule and the actions.
namespace CookieEntry {

QString note();

// Blank text (spaces and line breaks only) cannot be saved.
bool isBlank(const QString& text);

// Keeps the save button enabled only while the field holds something to save.
void bindSaveButton(PasteField* field, ActionButton* save);

// "从 Cursor 编辑器导入" with its line of explanation on the left and `button` on the right.
QWidget* importRow(ActionButton* button, const QColor& title, const QColor& detail, QWidget* parent);

// Takes the field's text, empties the field at once and hands the text to the store, without
// waiting: success and failure show through the store.
void save(UsageStore* store, PasteField* field);

} // namespace CookieEntry
