#pragma once

#include <QDialog>

class ActionButton;
class PasteField;
class UsageStore;

// "添加账号": a window-modal sheet for another account's cookie, in the platform's own colours, or
// the Cursor editor's login when it belongs to an account not yet listed. The sheet closes at once;
// the status line says how the service answered.
class AddAccountSheet : public QDialog
{
    Q_OBJECT

public:
    AddAccountSheet(UsageStore* store, QWidget* parent);

    PasteField* pasteField() const { return m_paste; }
    QWidget* importRow() const { return m_importRow; }
    ActionButton* importButton() const { return m_import; }
    ActionButton* addButton() const { return m_add; }

private:
    UsageStore* m_store;
    QWidget* m_importRow;
    ActionButton* m_import;
    PasteField* m_paste;
    ActionButton* m_add;
};
